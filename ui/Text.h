// The program keeps GBK text; Win32 calls take UTF-16. Convert at the edge with
// code page 936 explicitly, so the program reads right on any Windows locale.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui {

inline constexpr UINT kGbkCodePage = 936;

std::wstring Widen(std::string_view gbk);
std::string Narrow(std::wstring_view text);

// The system's text for an error code, trailing blanks, line ends and full
// stops removed; empty when the system has none.
std::string SystemMessage(DWORD code);

}  // namespace ui
