// What screen readers see of a host window: its IAccessible (MSAA, which
// UI Automation bridges for its own clients), answered to WM_GETOBJECT for
// the client area. The children are the host's reading order
// (ControlHost::SetReadingOrder): its windowless labels and pictures as
// simple elements, its child windows as the objects the system gives them.
// oleacc is loaded at run time: where it is missing, nothing answers and the
// program still starts.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <oleacc.h>

#include <string>

namespace win {

// oleacc's functions, or null where the system has no oleacc.
struct OleaccFunctions {
  decltype(&::LresultFromObject) lresultFromObject = nullptr;
  decltype(&::AccessibleObjectFromWindow) accessibleObjectFromWindow = nullptr;
};
const OleaccFunctions* Oleacc() noexcept;

// The answer to WM_GETOBJECT for the client area of a host window of ours;
// 0 when no object can be made (the caller then leaves it to the system).
LRESULT AnswerClientObject(HWND host, WPARAM flags) noexcept;

// Names a child window of a system class by the text beside it, for
// screen readers (dynamic annotation of its client object).
void NameChildWindow(HWND window, const std::string& name) noexcept;

}  // namespace win
