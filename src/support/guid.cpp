#include "support/guid.h"

namespace support {
namespace {

void AppendHex(std::wstring& out, std::uint32_t value, int digits) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

}  // namespace

std::wstring GuidText(const Guid& guid) {
  std::wstring text;
  AppendHex(text, guid.data1, 8);
  text += L'-';
  AppendHex(text, guid.data2, 4);
  text += L'-';
  AppendHex(text, guid.data3, 4);
  text += L'-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) text += L'-';
    AppendHex(text, guid.data4[i], 2);
  }
  return text;
}

}  // namespace support
