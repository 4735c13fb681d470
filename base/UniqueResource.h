// One owning wrapper for every kind of handle and scope the program holds, in
// the manner of WIL's resource.h: a policy names what is held (a handle, or
// the state of a scope such as a paint or a selected object), which value
// holds nothing, and how it is closed. Sockets, descriptors, address lists,
// GDI objects, registry keys, the paint and DC scopes and the COM apartment
// all share this one template; UniqueCall owns one due call of a function.
#pragma once

#include <utility>

#include "base/LastError.h"

namespace base {

// The common policy: one invalid value, one close function.
template <typename HandleType, auto CloseFunction, auto InvalidValue = HandleType{}>
struct ClosePolicy {
  using Handle = HandleType;
  static constexpr Handle Invalid() noexcept { return static_cast<Handle>(InvalidValue); }
  static constexpr bool IsValid(Handle handle) noexcept { return handle != Invalid(); }
  static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

// The policy of a scope whose state is a small struct (a window and its DC,
// a DC and the object selected before): empty when value-initialized, begun
// when Begun(state), ended by End(state).
template <typename State, auto Begun, auto End>
struct ScopePolicy {
  using Handle = State;
  static Handle Invalid() noexcept { return {}; }
  static bool IsValid(const Handle& state) noexcept { return Begun(state); }
  static void Close(Handle state) noexcept { End(state); }
};

template <typename Policy>
class UniqueResource {
 public:
  using Handle = typename Policy::Handle;

  UniqueResource() noexcept = default;
  explicit UniqueResource(Handle handle) noexcept : handle_(std::move(handle)) {}
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  const Handle& get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Policy::IsValid(handle_); }
  Handle release() noexcept { return std::exchange(handle_, Policy::Invalid()); }
  // Closes what was held; the thread's last error is what it was before, so
  // a caller may reset on its way to reporting that error.
  void reset(Handle handle = Policy::Invalid()) noexcept {
    const Handle old = std::exchange(handle_, std::move(handle));
    if (Policy::IsValid(old)) {
      const LastErrorKeeper keep;
      Policy::Close(old);
    }
  }
  // For APIs that hand a new handle back through a pointer.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Policy::Invalid();
};

// The usual shorthand: a handle with one invalid value and one close function.
template <typename Handle, auto Close, auto Invalid = Handle{}>
using UniqueHandle = UniqueResource<ClosePolicy<Handle, Close, Invalid>>;

// One call of Function (without arguments) that is due until it is made:
// reset() or the owner's end makes it, release() drops it. Made with true
// when the call is due (the matching start succeeded), as WIL's unique_call.
template <auto Function>
struct CallPolicy {
  using Handle = bool;
  static constexpr Handle Invalid() noexcept { return false; }
  static constexpr bool IsValid(Handle due) noexcept { return due; }
  static void Close(Handle) noexcept { Function(); }
};
template <auto Function>
using UniqueCall = UniqueResource<CallPolicy<Function>>;

}  // namespace base
