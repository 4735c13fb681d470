// COM objects of our own, in the shape of WRL's RuntimeClass, ChainInterfaces
// and Make (the mingw-w64 headers carry WRL's ComPtr but not its
// implements.h): one class counts the references for real and answers
// QueryInterface for IUnknown and every interface it lists; Make hands the new
// object out in a ComPtr, so no reference is ever counted by hand.
#pragma once

#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <utility>

namespace weather {

// An interface together with the bases that QueryInterface answers through it
// (e.g. IAccessible with IDispatch).
template <typename Main, typename... Bases>
struct ChainInterfaces {
  using Interface = Main;
  static bool Answers(REFIID iid) noexcept {
    return iid == __uuidof(Main) || ((iid == __uuidof(Bases)) || ...);
  }
};

namespace detail {
template <typename T>
struct Chain {
  using Type = ChainInterfaces<T>;
};
template <typename Main, typename... Bases>
struct Chain<ChainInterfaces<Main, Bases...>> {
  using Type = ChainInterfaces<Main, Bases...>;
};
template <typename T>
using ChainOf = typename Chain<T>::Type;
template <typename First, typename...>
struct FirstOf {
  using Type = First;
};
}  // namespace detail

// Interfaces: each an interface or a ChainInterfaces; IUnknown is answered
// through the first.
template <typename... Interfaces>
class RuntimeClass : public detail::ChainOf<Interfaces>::Interface... {
  using FirstInterface =
      typename detail::ChainOf<typename detail::FirstOf<Interfaces...>::Type>::Interface;

 public:
  RuntimeClass() = default;
  RuntimeClass(const RuntimeClass&) = delete;
  RuntimeClass& operator=(const RuntimeClass&) = delete;
  virtual ~RuntimeClass() = default;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == __uuidof(IUnknown)) {
      *object = static_cast<FirstInterface*>(this);
    } else {
      ((*object == nullptr && detail::ChainOf<Interfaces>::Answers(iid)
            ? void(*object = static_cast<typename detail::ChainOf<Interfaces>::Interface*>(this))
            : void()),
       ...);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG left = --references_;
    if (left == 0) std::unique_ptr<RuntimeClass> last(this);  // the last reference ends it
    return left;
  }

 private:
  std::atomic<ULONG> references_{0};
};

// A new object with one reference, held by the pointer returned.
template <typename T, typename... Args>
Microsoft::WRL::ComPtr<T> Make(Args&&... args) {
  auto made = std::make_unique<T>(std::forward<Args>(args)...);
  return Microsoft::WRL::ComPtr<T>(made.release());
}

}  // namespace weather
