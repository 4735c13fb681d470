#include "win/Accessible.h"

#include <new>
#include <string>

#include "base/SystemFunction.h"
#include "win/Controls.h"
#include "win/GbkTexts.h"  // the default actions, from win/Texts.txt
#include "win/RuntimeClass.h"
#include "win/Text.h"

namespace win {
namespace {

using Microsoft::WRL::ComPtr;

// Dynamic annotation's class, interface and name property, defined here: the
// import library's symbols for oleacc's identifiers are not to be trusted.
constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kPropIdAccName = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

// No exception leaves a COM method.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// A GBK text as a BSTR; an empty text is no text (S_FALSE).
HRESULT TextResult(const std::string& gbk, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (gbk.empty()) return S_FALSE;
  const std::wstring wide = Widen(gbk);
  *out = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NoText(BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_FALSE;
}

HRESULT WindowObject(HWND window, IDispatch** out) {
  const OleaccFunctions* oleacc = Oleacc();
  if (!oleacc) return E_FAIL;
  return oleacc->accessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW),
                                            __uuidof(IDispatch), reinterpret_cast<void**>(out));
}

// What a windowless control reads as: a label's text, a picture's words.
std::string ControlText(const GraphicControl& control) {
  if (const auto* label = dynamic_cast<const Label*>(&control)) return label->Text();
  if (const auto* picture = dynamic_cast<const Picture*>(&control)) return picture->Words();
  return {};
}

bool ItemVisible(const ReadingItem& item) {
  if (item.window) return ::IsWindowVisible(item.window) != FALSE;
  return item.control && item.control->Visible();
}

class HostAccessible : public RuntimeClass<IAccessible, IDispatch> {
 public:
  explicit HostAccessible(HWND host) : hwnd_(host) {}

  // IDispatch: clients call the interface's own methods.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) noexcept override {
    return E_NOTIMPL;
  }

  STDMETHODIMP get_accParent(IDispatch** parent) noexcept override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!Host()) return RPC_E_DISCONNECTED;
    return WindowObject(hwnd_, parent);
  }

  STDMETHODIMP get_accChildCount(long* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    const ControlHost* host = Host();
    if (!host) return RPC_E_DISCONNECTED;
    *count = static_cast<long>(host->ReadingOrder().size());
    return S_OK;
  }

  STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    const ReadingItem* item = nullptr;
    if (const HRESULT found = Find(child, item); FAILED(found)) return found;
    if (!item) return E_INVALIDARG;
    // A simple element has no object of its own.
    return item->window ? WindowObject(item->window, object) : S_FALSE;
  }

  STDMETHODIMP get_accName(VARIANT child, BSTR* name) noexcept override {
    return Guarded([&]() -> HRESULT {
      if (!name) return E_POINTER;
      *name = nullptr;
      const ReadingItem* item = nullptr;
      if (const HRESULT found = Find(child, item); FAILED(found)) return found;
      if (!item) {
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd_, text, 256);
        return TextResult(Narrow(text), name);
      }
      // A child window's own object names itself; the name given here is
      // the same, for readers that ask the parent.
      if (item->name) return TextResult(item->name, name);
      return item->control ? TextResult(ControlText(*item->control), name) : NoText(name);
    });
  }

  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) noexcept override {
    return Guarded([&]() -> HRESULT {
      const ReadingItem* item = nullptr;
      if (const HRESULT found = Find(child, item); FAILED(found)) return found;
      // A link's value is where it leads: its text.
      if (item && item->role == Role::kLink) return TextResult(ControlText(*item->control), value);
      return NoText(value);
    });
  }

  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) noexcept override {
    return Guarded([&]() -> HRESULT {
      const ReadingItem* item = nullptr;
      if (const HRESULT found = Find(child, item); FAILED(found)) return found;
      // A picture that acts keeps its weather words here.
      if (item && item->role == Role::kButton && item->control) {
        return TextResult(ControlText(*item->control), description);
      }
      return NoText(description);
    });
  }

  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) noexcept override {
    if (!role) return E_POINTER;
    ::VariantInit(role);
    const ReadingItem* item = nullptr;
    if (const HRESULT found = Find(child, item); FAILED(found)) return found;
    role->vt = VT_I4;
    role->lVal = !item          ? ROLE_SYSTEM_CLIENT
                 : item->window ? ROLE_SYSTEM_WINDOW
                                : RoleOf(item->role);
    return S_OK;
  }

  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) noexcept override {
    if (!state) return E_POINTER;
    ::VariantInit(state);
    const ReadingItem* item = nullptr;
    if (const HRESULT found = Find(child, item); FAILED(found)) return found;
    long flags = 0;
    if (!item) {
      if (!::IsWindowVisible(hwnd_)) flags |= STATE_SYSTEM_INVISIBLE;
      if (::GetFocus() == hwnd_) flags |= STATE_SYSTEM_FOCUSED;
    } else {
      if (!ItemVisible(*item)) flags |= STATE_SYSTEM_INVISIBLE;
      if (item->role == Role::kText && !item->window) flags |= STATE_SYSTEM_READONLY;
      if (item->role == Role::kLink) flags |= STATE_SYSTEM_LINKED;
    }
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
  }

  STDMETHODIMP get_accHelp(VARIANT, BSTR* help) noexcept override { return NoText(help); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) noexcept override {
    if (topic) *topic = 0;
    return NoText(file);
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* shortcut) noexcept override {
    return NoText(shortcut);
  }

  STDMETHODIMP get_accFocus(VARIANT* focus) noexcept override {
    if (!focus) return E_POINTER;
    ::VariantInit(focus);
    if (::GetFocus() != hwnd_) return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = CHILDID_SELF;
    return S_OK;
  }

  STDMETHODIMP get_accSelection(VARIANT* selection) noexcept override {
    if (!selection) return E_POINTER;
    ::VariantInit(selection);
    return S_FALSE;
  }

  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
    return Guarded([&]() -> HRESULT {
      const ReadingItem* item = nullptr;
      if (const HRESULT found = Find(child, item); FAILED(found)) return found;
      if (item && !item->window && item->role == Role::kButton) return TextResult(kPress, action);
      if (item && !item->window && item->role == Role::kLink) return TextResult(kJump, action);
      return NoText(action);
    });
  }

  STDMETHODIMP accSelect(long, VARIANT) noexcept override { return DISP_E_MEMBERNOTFOUND; }

  STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                           VARIANT child) noexcept override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    const ReadingItem* item = nullptr;
    if (const HRESULT found = Find(child, item); FAILED(found)) return found;
    RECT area{};
    if (item && item->window) {
      ::GetWindowRect(item->window, &area);
    } else {
      if (item) {
        area = item->control->Bounds();
      } else {
        ::GetClientRect(hwnd_, &area);
      }
      ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&area), 2);
    }
    *left = area.left;
    *top = area.top;
    *width = area.right - area.left;
    *height = area.bottom - area.top;
    return S_OK;
  }

  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
    if (!end) return E_POINTER;
    ::VariantInit(end);
    const ReadingItem* item = nullptr;
    if (const HRESULT found = Find(start, item); FAILED(found)) return found;
    const long count = static_cast<long>(Host()->ReadingOrder().size());
    long to = 0;
    switch (direction) {
      case NAVDIR_FIRSTCHILD:
        if (item) return E_INVALIDARG;
        to = 1;
        break;
      case NAVDIR_LASTCHILD:
        if (item) return E_INVALIDARG;
        to = count;
        break;
      case NAVDIR_NEXT:
        if (!item) return S_FALSE;  // the window's siblings are the system's
        to = start.lVal + 1;
        break;
      case NAVDIR_PREVIOUS:
        if (!item) return S_FALSE;
        to = start.lVal - 1;
        break;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (to < 1 || to > count) return S_FALSE;
    return ChildResult(to, end);
  }

  STDMETHODIMP accHitTest(long x, long y, VARIANT* found) noexcept override {
    if (!found) return E_POINTER;
    ::VariantInit(found);
    const ControlHost* host = Host();
    if (!host) return RPC_E_DISCONNECTED;
    POINT point{x, y};
    RECT client;
    ::GetClientRect(hwnd_, &client);
    ::ScreenToClient(hwnd_, &point);
    if (!::PtInRect(&client, point)) return S_FALSE;
    const auto& order = host->ReadingOrder();
    // Child windows lie above the windowless controls.
    for (size_t i = 0; i < order.size(); ++i) {
      RECT area{};
      if (!order[i].window || !::IsWindowVisible(order[i].window)) continue;
      ::GetWindowRect(order[i].window, &area);
      if (::PtInRect(&area, POINT{x, y})) return ChildResult(static_cast<long>(i + 1), found);
    }
    if (const GraphicControl* control = host->ControlAt(point)) {
      for (size_t i = 0; i < order.size(); ++i) {
        if (order[i].control == control) return ChildResult(static_cast<long>(i + 1), found);
      }
    }
    found->vt = VT_I4;
    found->lVal = CHILDID_SELF;
    return S_OK;
  }

  STDMETHODIMP accDoDefaultAction(VARIANT child) noexcept override {
    const ReadingItem* item = nullptr;
    if (const HRESULT found = Find(child, item); FAILED(found)) return found;
    if (!item || item->window || (item->role != Role::kButton && item->role != Role::kLink)) {
      return DISP_E_MEMBERNOTFOUND;
    }
    Host()->PostDefaultAction(static_cast<size_t>(child.lVal - 1));
    return S_OK;
  }

  STDMETHODIMP put_accName(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) noexcept override { return E_NOTIMPL; }

 private:
  static long RoleOf(Role role) {
    switch (role) {
      case Role::kGraphic:
        return ROLE_SYSTEM_GRAPHIC;
      case Role::kButton:
        return ROLE_SYSTEM_PUSHBUTTON;
      case Role::kLink:
        return ROLE_SYSTEM_LINK;
      case Role::kText:
        break;
    }
    return ROLE_SYSTEM_STATICTEXT;
  }

  // The host while its window lives (the object may outlive it in a client).
  ControlHost* Host() const noexcept {
    if (!::IsWindow(hwnd_)) return nullptr;
    return dynamic_cast<ControlHost*>(Window::FromHandle(hwnd_));
  }

  // The item a child id names; null for the host itself.
  HRESULT Find(const VARIANT& child, const ReadingItem*& item) const noexcept {
    item = nullptr;
    const ControlHost* host = Host();
    if (!host) return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return S_OK;
    const auto& order = host->ReadingOrder();
    if (child.lVal < 1 || static_cast<size_t>(child.lVal) > order.size()) return E_INVALIDARG;
    item = &order[static_cast<size_t>(child.lVal - 1)];
    return S_OK;
  }

  // A child as a client expects it: a child window's object, or the id of a
  // simple element.
  HRESULT ChildResult(long id, VARIANT* out) const noexcept {
    const ReadingItem& item = Host()->ReadingOrder()[static_cast<size_t>(id - 1)];
    if (item.window) {
      IDispatch* object = nullptr;
      if (const HRESULT made = WindowObject(item.window, &object); FAILED(made)) return made;
      out->vt = VT_DISPATCH;
      out->pdispVal = object;
      return S_OK;
    }
    out->vt = VT_I4;
    out->lVal = id;
    return S_OK;
  }

  HWND hwnd_;
};

}  // namespace

const OleaccFunctions* Oleacc() noexcept {
  static const OleaccFunctions functions{
      base::SystemFunction<decltype(&::LresultFromObject)>(L"oleacc.dll", "LresultFromObject"),
      base::SystemFunction<decltype(&::AccessibleObjectFromWindow)>(L"oleacc.dll",
                                                                    "AccessibleObjectFromWindow"),
  };
  return functions.lresultFromObject && functions.accessibleObjectFromWindow ? &functions : nullptr;
}

LRESULT AnswerClientObject(HWND host, WPARAM flags) noexcept {
  const OleaccFunctions* oleacc = Oleacc();
  if (!oleacc) return 0;
  try {
    const ComPtr<HostAccessible> object = Make<HostAccessible>(host);
    const LRESULT answer = oleacc->lresultFromObject(__uuidof(IAccessible), flags,
                                                     static_cast<IAccessible*>(object.Get()));
    // A failure is an HRESULT, not an answer.
    return answer > 0 ? answer : 0;
  } catch (...) {
    return 0;
  }
}

void NameChildWindow(HWND window, const std::string& name) noexcept {
  try {
    ComPtr<IAccPropServices> services;
    if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  kIAccPropServices,
                                  reinterpret_cast<void**>(services.GetAddressOf())))) {
      return;
    }
    std::wstring text = Widen(name);
    services->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kPropIdAccName,
                             text.data());
  } catch (...) {
    // Unnamed: the control still reads as what it is.
  }
}

}  // namespace win
