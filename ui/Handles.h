// Owning wrappers for Win32 handles and COM objects, in the manner of WIL's
// unique_any: one template, one close function per handle type.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <utility>

namespace ui {

template <typename Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Invalid));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Invalid; }
  Handle release() noexcept { return std::exchange(handle_, Invalid); }
  void reset(Handle handle = Invalid) noexcept {
    if (handle_ != Invalid) Close(handle_);
    handle_ = handle;
  }
  // For APIs that fill in a handle through a pointer.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Invalid;
};

namespace detail {
inline void CloseWindow(HWND window) { ::DestroyWindow(window); }
inline void CloseGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
inline void CloseFont(HFONT font) { ::DeleteObject(font); }
inline void CloseBitmap(HBITMAP bitmap) { ::DeleteObject(bitmap); }
inline void CloseBrush(HBRUSH brush) { ::DeleteObject(brush); }
inline void ClosePen(HPEN pen) { ::DeleteObject(pen); }
inline void CloseDc(HDC dc) { ::DeleteDC(dc); }
inline void CloseKey(HKEY key) { ::RegCloseKey(key); }
inline void CloseFile(HANDLE file) { ::CloseHandle(file); }
inline void CloseBstr(BSTR text) { ::SysFreeString(text); }
}  // namespace detail

using UniqueHwnd = UniqueHandle<HWND, detail::CloseWindow>;
using UniqueFont = UniqueHandle<HFONT, detail::CloseFont>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::CloseBitmap>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::CloseBrush>;
using UniquePen = UniqueHandle<HPEN, detail::ClosePen>;
using UniqueDc = UniqueHandle<HDC, detail::CloseDc>;
using UniqueKey = UniqueHandle<HKEY, detail::CloseKey>;
using UniqueBstr = UniqueHandle<BSTR, detail::CloseBstr>;

// INVALID_HANDLE_VALUE is not a constant expression, so files get their own type.
class UniqueFile {
 public:
  explicit UniqueFile(HANDLE file) noexcept : file_(file) {}
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;
  ~UniqueFile() {
    if (valid()) ::CloseHandle(file_);
  }
  bool valid() const noexcept { return file_ != INVALID_HANDLE_VALUE && file_ != nullptr; }
  HANDLE get() const noexcept { return file_; }

 private:
  HANDLE file_;
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

// A COM interface pointer that releases on scope exit.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  Interface* get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  void reset(Interface* pointer = nullptr) noexcept {
    if (pointer_) pointer_->Release();
    pointer_ = pointer;
  }
  Interface** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace ui
