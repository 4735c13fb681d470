#include <windows.h>

#include <string_view>

#include "base/CodePage.h"
#include "base/SystemMessage.h"
#include "base/UniqueResource.h"

namespace base {
namespace {

void FreeLocal(wchar_t* text) noexcept { ::LocalFree(text); }
using UniqueLocalText = UniqueHandle<wchar_t*, FreeLocal>;

}  // namespace

std::string WithoutTrailingStops(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

namespace {

// The text of a message table: the system's, or a loaded module's.
std::string MessageText(DWORD source, HMODULE module, unsigned long code) {
  UniqueLocalText text;
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the text.
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_MAX_WIDTH_MASK,
                       module, code, 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
  if (length == 0 || !text) return {};
  // wchar_t and char16_t are both UTF-16 code units on Windows.
  return WithoutTrailingStops(
      base::Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.get()), length)));
}

}  // namespace

std::string SystemMessage(unsigned long code) {
  return MessageText(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
}

std::string ModuleMessage(const wchar_t* module, unsigned long code) {
  const HMODULE loaded = ::GetModuleHandleW(module);
  return loaded != nullptr ? MessageText(FORMAT_MESSAGE_FROM_HMODULE, loaded, code) : std::string();
}

}  // namespace base
