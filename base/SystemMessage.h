// The system's own texts for error codes (Windows only).
#pragma once

#include <string>

namespace base {

// The system's text for an error code (a Win32 error or an HRESULT; the
// parameter is a DWORD) as GBK, without trailing blanks, line ends and full
// stops; empty when the system has none.
std::string SystemMessage(unsigned long code);

// The same from the message table of a module the process has loaded (urlmon
// keeps the texts of its own INET_E codes); empty when it has none or the
// module is not loaded.
std::string ModuleMessage(const wchar_t* module, unsigned long code);

// text without trailing characters of code 32 or below and full stops, the
// way every system or platform description is shown.
std::string WithoutTrailingStops(std::string text);

}  // namespace base
