// One owning wrapper for every kind of handle the program holds, in the
// manner of WIL's unique_any: the handle type, its invalid value and how it
// is closed live in a policy, so sockets, descriptors, address lists and the
// Win32 handles of the layers above all share one template.
#pragma once

#include <utility>

namespace base {

// The common policy: one invalid value, one close function.
template <typename HandleType, auto CloseFunction, auto InvalidValue = HandleType{}>
struct ClosePolicy {
  using Handle = HandleType;
  static constexpr Handle Invalid() noexcept { return static_cast<Handle>(InvalidValue); }
  static constexpr bool IsValid(Handle handle) noexcept { return handle != Invalid(); }
  static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

template <typename Policy>
class UniqueResource {
 public:
  using Handle = typename Policy::Handle;

  UniqueResource() noexcept = default;
  explicit UniqueResource(Handle handle) noexcept : handle_(handle) {}
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Policy::IsValid(handle_); }
  Handle release() noexcept { return std::exchange(handle_, Policy::Invalid()); }
  void reset(Handle handle = Policy::Invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (Policy::IsValid(old)) Policy::Close(old);
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

}  // namespace base
