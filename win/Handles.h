// The Win32 handles and scopes the windows hold, all built on the one handle
// template: GDI objects, memory DCs, files, child windows, and the scopes that must
// end whatever happens in between (paint, window DC, selected object, COM
// apartment).
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include <utility>

#include "base/UniqueResource.h"

namespace win {

using base::UniqueHandle;
using base::UniqueResource;

namespace detail {
inline void DeleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { ::DeleteDC(dc); }
inline void DestroyChildWindow(HWND window) {
  // The parent may have destroyed it already.
  if (::IsWindow(window)) ::DestroyWindow(window);
}

// Files answer INVALID_HANDLE_VALUE, other kernel objects null: both are "none".
struct FilePolicy {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) noexcept {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }
  static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};
}  // namespace detail

using UniqueFont = UniqueHandle<HFONT, detail::DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::DeleteGdiObject>;
using UniquePen = UniqueHandle<HPEN, detail::DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::DeleteMemoryDc>;
using UniqueFile = UniqueResource<detail::FilePolicy>;
using UniqueChildWindow = UniqueHandle<HWND, detail::DestroyChildWindow>;

// BeginPaint .. EndPaint, so a failure while painting still validates the
// window (otherwise every later WM_PAINT would fail again).
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  HDC Dc() const noexcept { return dc_; }
  const RECT& Area() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// GetDC .. ReleaseDC (a window's or, for null, the screen's).
class WindowDcScope {
 public:
  explicit WindowDcScope(HWND window = nullptr) noexcept : window_(window), dc_(::GetDC(window)) {}
  WindowDcScope(const WindowDcScope&) = delete;
  WindowDcScope& operator=(const WindowDcScope&) = delete;
  ~WindowDcScope() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  HDC Dc() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects a GDI object into a DC for one scope.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() {
    if (previous_) ::SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The thread's single-threaded COM apartment for one scope; left only when
// joining succeeded (S_FALSE, already joined, also counts).
class ComApartmentScope {
 public:
  ComApartmentScope() noexcept : joined_(SUCCEEDED(::CoInitialize(nullptr))) {}
  ComApartmentScope(const ComApartmentScope&) = delete;
  ComApartmentScope& operator=(const ComApartmentScope&) = delete;
  ~ComApartmentScope() {
    if (joined_) ::CoUninitialize();
  }
  bool Joined() const noexcept { return joined_; }

 private:
  bool joined_;
};

}  // namespace win
