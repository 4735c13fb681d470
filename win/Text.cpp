#include "win/Text.h"

#include <stdexcept>

#include "base/CodePage.h"
#include "base/SystemMessage.h"

namespace win {

// char16_t and wchar_t are both UTF-16 code units on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Widen(std::string_view gbk) {
  const std::u16string text = base::GbkToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

std::string Narrow(std::wstring_view text) {
  return base::Utf16ToGbk(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

void ThrowLastError(std::string_view what) {
  const DWORD code = ::GetLastError();
  std::string message = code != 0 ? base::SystemMessage(code) : std::string();
  throw std::runtime_error(message.empty() ? std::string(what) : message);
}

}  // namespace win
