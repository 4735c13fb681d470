#include "win/Text.h"

#include <stdexcept>

#include "json/CodePage.h"

namespace win {

// char16_t and wchar_t are both UTF-16 code units on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Widen(std::string_view gbk) {
  const std::u16string text = json::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(std::wstring_view text) {
  return json::Utf16ToGbk(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::string SystemMessage(DWORD code) {
  wchar_t buffer[1024];
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, code, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  while (length > 0 && (buffer[length - 1] <= L' ' || buffer[length - 1] == L'.')) --length;
  return Narrow(std::wstring_view(buffer, length));
}

void ThrowLastError(std::string_view what) {
  const DWORD code = ::GetLastError();
  std::string message = code != 0 ? SystemMessage(code) : std::string();
  throw std::runtime_error(message.empty() ? std::string(what) : message);
}

}  // namespace win
