#include "ui/Text.h"

namespace ui {

std::wstring Widen(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int length =
      ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), text.data(),
                        length);
  return text;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = ::WideCharToMultiByte(
      kGbkCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string gbk(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(kGbkCodePage, 0, text.data(), static_cast<int>(text.size()), gbk.data(),
                        length, nullptr, nullptr);
  return gbk;
}

std::string SystemMessage(DWORD code) {
  wchar_t buffer[1024];
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, code, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  while (length > 0 && (buffer[length - 1] <= L' ' || buffer[length - 1] == L'.')) --length;
  return Narrow(std::wstring_view(buffer, length));
}

}  // namespace ui
