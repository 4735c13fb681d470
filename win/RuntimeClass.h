// COM objects of our own, in the shape of WRL's RuntimeClass and Make (the
// mingw-w64 headers carry WRL's ComPtr but not its implements.h): one class
// counts the references and answers QueryInterface for IUnknown and the
// interfaces it lists; Make hands the new object out in a ComPtr.
#pragma once

#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <utility>

namespace win {

// Interfaces: the interface the class implements first, then its bases that
// QueryInterface answers as well (e.g. IAccessible, IDispatch).
template <typename Main, typename... Bases>
class RuntimeClass : public Main {
 public:
  RuntimeClass() = default;
  RuntimeClass(const RuntimeClass&) = delete;
  RuntimeClass& operator=(const RuntimeClass&) = delete;
  virtual ~RuntimeClass() = default;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Main) || ((iid == __uuidof(Bases)) || ...)) {
      *object = static_cast<Main*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
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

}  // namespace win
