// Hashing: SHA-256 of the published test vectors, fed whole and in awkward pieces, against
// the sim's own implementation and BCrypt.
#include <gtest/gtest.h>

#include <string>

#include "contract/contract_system.h"
#include "platform/hashing.h"

namespace {

std::string Hex(const platform::Sha256Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

std::string HashInPieces(const std::string& data, std::size_t piece) {
  auto hasher = contract::ContractSystem().hashing.StartSha256();
  EXPECT_TRUE(hasher.ok());
  if (!hasher) return {};
  for (std::size_t at = 0; at < data.size(); at += piece) {
    EXPECT_TRUE((*hasher)->Add(std::string_view(data).substr(at, piece)).ok());
  }
  const auto digest = (*hasher)->Finish();
  EXPECT_TRUE(digest.ok());
  return digest ? Hex(*digest) : std::string();
}

TEST(HashingContract, KnownVectorsWholeAndInPieces) {
  struct Case {
    const char* name;
    std::string data;
    const char* sha256;
  };
  const Case kCases[] = {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"a million a", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HashInPieces(c.data, c.data.size() + 1), c.sha256);
    EXPECT_EQ(HashInPieces(c.data, 7), c.sha256);
    EXPECT_EQ(HashInPieces(c.data, 64), c.sha256);
  }
}

}  // namespace
