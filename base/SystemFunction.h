// A function of a system library looked up at run time: for the few calls
// whose import libraries a layer does not link (urlmon's session) and for
// calls newer than Windows 7 (the dpi functions), which must not stop the
// program from starting where they are missing (Windows only).
#pragma once

#include <windows.h>

#include <string>

namespace base {

// Null when the library or the function is missing. A library not yet in the
// process is loaded from the system folder only, and stays loaded for the
// rest of the process, as a linked one would.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  HMODULE module = ::GetModuleHandleW(library);
  if (module == nullptr) module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    // Windows 7 without the search flags' update refuses the flag.
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      module = ::LoadLibraryW((std::wstring(folder, length) + L"\\" + library).c_str());
    }
  }
  const FARPROC function = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

}  // namespace base
