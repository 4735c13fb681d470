// The Win32 handles and scopes the windows hold, all instances of the one
// handle template: GDI objects, memory DCs, files, child windows, and the
// scopes that must end whatever happens in between (paint, window DC,
// selected object, COM apartment).
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

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

namespace detail {
struct PaintState {
  HWND window = nullptr;
  PAINTSTRUCT paint{};
  HDC dc = nullptr;
};
inline bool Painting(const PaintState& state) noexcept { return state.window != nullptr; }
inline void EndPaint(PaintState state) noexcept { ::EndPaint(state.window, &state.paint); }
inline PaintState BeginPaint(HWND window) noexcept {
  PaintState state{window};
  state.dc = ::BeginPaint(window, &state.paint);
  return state;
}

struct WindowDc {
  HWND window = nullptr;
  HDC dc = nullptr;
};
inline bool HasDc(const WindowDc& held) noexcept { return held.dc != nullptr; }
inline void ReleaseDc(WindowDc held) noexcept { ::ReleaseDC(held.window, held.dc); }

struct Selection {
  HDC dc = nullptr;
  HGDIOBJ previous = nullptr;
};
inline bool Selected(const Selection& selection) noexcept { return selection.previous != nullptr; }
inline void Unselect(Selection selection) noexcept {
  ::SelectObject(selection.dc, selection.previous);
}
}  // namespace detail

// The scopes: each constructor begins what the destructor ends.

// BeginPaint .. EndPaint, so a failure while painting still validates the
// window (otherwise every later WM_PAINT would fail again).
class PaintScope : public UniqueResource<
                       base::ScopePolicy<detail::PaintState, detail::Painting, detail::EndPaint>> {
 public:
  explicit PaintScope(HWND window) noexcept : UniqueResource(detail::BeginPaint(window)) {}
  HDC Dc() const noexcept { return get().dc; }
  const RECT& Area() const noexcept { return get().paint.rcPaint; }
};

// GetDC .. ReleaseDC (a window's or, for null, the screen's).
class WindowDcScope
    : public UniqueResource<base::ScopePolicy<detail::WindowDc, detail::HasDc, detail::ReleaseDc>> {
 public:
  explicit WindowDcScope(HWND window = nullptr) noexcept
      : UniqueResource(detail::WindowDc{window, ::GetDC(window)}) {}
  HDC Dc() const noexcept { return get().dc; }
};

// Selects a GDI object into a DC for one scope.
class SelectObjectScope
    : public UniqueResource<
          base::ScopePolicy<detail::Selection, detail::Selected, detail::Unselect>> {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) noexcept
      : UniqueResource(detail::Selection{dc, object ? ::SelectObject(dc, object) : nullptr}) {}
};

// The thread's single-threaded COM apartment for one scope; left only when
// joining succeeded (S_FALSE, already joined, also counts).
class ComApartmentScope : public base::UniqueCall<&::CoUninitialize> {
 public:
  ComApartmentScope() noexcept : UniqueResource(SUCCEEDED(::CoInitialize(nullptr))) {}
  bool Joined() const noexcept { return static_cast<bool>(*this); }
};

}  // namespace win
