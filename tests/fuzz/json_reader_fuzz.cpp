// Answers from the network reach the JSON reader as they arrive: any bytes must parse or
// be refused without a crash, and an accepted tree must respect the bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/json_reader.h"

namespace {

int Depth(const support::JsonValue& value) {
  int deepest = 0;
  for (const auto& item : value.items) {
    const int d = Depth(item);
    deepest = d > deepest ? d : deepest;
  }
  for (const auto& member : value.members) {
    const int d = Depth(member.value);
    deepest = d > deepest ? d : deepest;
  }
  return deepest + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto doc = support::ParseJson(text);
  if (doc && Depth(*doc) > support::kMaxJsonDepth + 1) __builtin_trap();
  if (doc) (void)doc->StringAt("version");
  return 0;
}
