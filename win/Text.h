// The program keeps GBK text; Win32 calls take UTF-16. Convert at the edge
// with the program's one GBK table (code page 936 whatever the system's
// locale), so the program reads right on any Windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win {

std::wstring Widen(std::string_view gbk);
std::string Narrow(std::wstring_view text);

// Throws the system's text for the thread's last error, or `what` when the
// system has none, so a failed creation reaches the error report.
[[noreturn]] void ThrowLastError(std::string_view what);

}  // namespace win
