#include "win/Window.h"

#include <string>

#include "win/Failure.h"
#include "win/Text.h"

namespace win {
namespace {

// The name of the module's first icon group: the one the shell shows for it.
BOOL CALLBACK KeepFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  auto& first = *reinterpret_cast<std::wstring*>(found);
  first = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
  return FALSE;
}

// The program's icon at one size, shared (the system keeps it), or none.
HICON ProgramIcon(HINSTANCE instance, int size) {
  std::wstring first;
  ::EnumResourceNamesW(instance, RT_GROUP_ICON, KeepFirstName, reinterpret_cast<LONG_PTR>(&first));
  if (first.empty()) return nullptr;
  return static_cast<HICON>(
      ::LoadImageW(instance, first.c_str(), IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

Window::~Window() {
  if (hwnd_) {
    const HWND hwnd = hwnd_;
    // Messages sent during destruction must not reach a half-destroyed object.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
  }
}

Window* Window::FromHandle(HWND hwnd) noexcept {
  return hwnd ? reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

void Window::Close() {
  if (hwnd_) ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void Window::CreateWindowHandle(const wchar_t* className, DWORD exStyle, DWORD style, int left,
                                int top, int width, int height, HWND parent, HMENU id,
                                UINT classStyle) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!::GetClassInfoExW(instance, className, &existing)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = ProgramIcon(instance, ::GetSystemMetrics(SM_CXICON));
    windowClass.hIconSm = ProgramIcon(instance, ::GetSystemMetrics(SM_CXSMICON));
    windowClass.lpszClassName = className;
    if (!::RegisterClassExW(&windowClass)) ThrowLastError("Cannot register a window class");
  }
  if (!::CreateWindowExW(exStyle, className, L"", style, left, top, width, height, parent, id,
                         instance, this)) {
    ThrowLastError("Cannot create a window");
  }
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    if (inModalLoop_) {
      modalResult_ = IDCANCEL;
      return 0;
    }
  }
  return DefaultProc(message, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = FromHandle(hwnd);
  }
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    // Copied: the handler may end the object.
    if (const auto handler = self->onDestroyed)
      win::RunHandler(FailureSink(self->failures_), handler);
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  bool failed = true;
  self->RunHandler([&] {
    result = self->HandleMessage(message, wParam, lParam);
    failed = false;
  });
  return failed ? 0 : result;
}

}  // namespace win
