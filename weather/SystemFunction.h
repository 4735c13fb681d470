// A function of a system library looked up at run time, for the few calls
// (urlmon's session) whose import libraries this layer does not link
// (Windows only).
#pragma once

#include <windows.h>

namespace weather {

// Null when the library or the function is missing. The library stays loaded
// for the rest of the process, as a linked one would.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  const HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const FARPROC function = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

}  // namespace weather
