// The one reader of hexadecimal digits, for the JSON escapes and for the
// layers above (chunk sizes, icon numbers written "$1F" or "0x1F").
#pragma once

namespace base {

// 0 to 15 for 0-9, a-f and A-F; -1 for any other byte.
constexpr int HexDigitValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace base
