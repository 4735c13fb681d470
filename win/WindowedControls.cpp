#include "win/WindowedControls.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "win/Dpi.h"
#include "win/Text.h"

namespace win {

void WindowedControl::Create(ControlHost& parent, const wchar_t* className, DWORD style,
                             const win::Bounds& design, const FontSpec& font,
                             std::string_view text) {
  design_ = design;
  font_ = font;
  const int dpi = parent.Dpi();
  const RECT area =
      ScaledRect({design.left, design.top, design.width, design.height + extraDesignHeight_}, dpi);
  hwnd_.reset(::CreateWindowExW(0, className, Widen(text).c_str(), WS_CHILD | style, area.left,
                                area.top, area.right - area.left, area.bottom - area.top,
                                parent.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr));
  if (!hwnd_) ThrowLastError("Cannot create a control");
  ::SendMessageW(hwnd_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(parent.Fonts().Get(font)),
                 FALSE);
  parent_ = &parent;
}

void WindowedControl::OnCommand(WORD) {}

LRESULT WindowedControl::OnNotify(const NMHDR&) { return 0; }

void WindowedControl::Rescale() {
  const RECT area =
      ScaledRect({design_.left, design_.top, design_.width, design_.height + extraDesignHeight_},
                 parent_->Dpi());
  ::SetWindowPos(Handle(), nullptr, area.left, area.top, area.right - area.left,
                 area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(parent_->Fonts().Get(font_)), TRUE);
}

bool WindowedControl::Visible() const {
  return (::GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void WindowedControl::SetVisible(bool visible) {
  ::ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

RECT WindowedControl::Bounds() const {
  RECT area{};
  ::GetWindowRect(Handle(), &area);
  ::MapWindowPoints(nullptr, ::GetParent(Handle()), reinterpret_cast<POINT*>(&area), 2);
  return area;
}

std::string WindowedControl::Text() const {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(Handle())) + 1, L'\0');
  text.resize(
      static_cast<size_t>(::GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

Button::Button(ControlHost& parent, const win::Bounds& design, std::string_view caption,
               const FontSpec& font) {
  Create(parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, design, font, caption);
}

void Button::OnCommand(WORD notification) {
  // Copied: the handler may replace the window's controls, this one with them.
  if (notification == BN_CLICKED && onClick) std::function<void()>{onClick}();
}

void Button::SetCaption(std::string_view caption) {
  ::SetWindowTextW(Handle(), Widen(caption).c_str());
}

Memo::Memo(ControlHost& parent, const win::Bounds& design, std::string_view text,
           const FontSpec& font) {
  // No ES_AUTOHSCROLL: long lines wrap; no WS_VSCROLL/WS_HSCROLL: no scroll bars.
  Create(parent, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
         design, font, text);
  ::SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);  // as much as the control can hold
}

void Memo::SetText(std::string_view text) {
  // The edit control breaks lines only at CR LF.
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += c;
    }
  }
  if (!::SetWindowTextW(Handle(), Widen(lines).c_str())) {
    throw std::runtime_error("Text exceeds memo capacity");
  }
}

void Memo::Clear() { ::SetWindowTextW(Handle(), L""); }

TabControl::TabControl(ControlHost& parent, const win::Bounds& design, int tabHeight,
                       const FontSpec& font)
    : fonts_(parent.Fonts()), tabHeight_(tabHeight) {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    return ::InitCommonControlsEx(&classes) != FALSE;
  }();
  static_cast<void>(registered);
  // Its pages are child windows of its own: keep the strip from painting over them.
  Create(parent, WC_TABCONTROLW, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
         design, font);
  ::SendMessageW(Handle(), TCM_SETITEMSIZE, 0, MAKELPARAM(0, Scale(tabHeight_, fonts_.Dpi())));
}

LRESULT TabControl::OnNotify(const NMHDR& header) {
  if (header.code == TCN_SELCHANGE) ShowSelectedPage();
  return 0;
}

RECT TabControl::PageArea() const {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int strip = Scale(tabHeight_, fonts_.Dpi());
  return RECT{0, strip, client.right, std::max<LONG>(client.bottom, strip)};
}

Panel& TabControl::AddPage(std::string_view caption) {
  std::wstring text = Widen(caption);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  ::SendMessageW(Handle(), TCM_INSERTITEMW, pages_.size(), reinterpret_cast<LPARAM>(&item));
  const RECT area = PageArea();
  pages_.push_back(std::make_unique<Panel>(Handle(), fonts_, Parent().Failures(), area.left,
                                           area.top, area.right - area.left, area.bottom - area.top,
                                           Bevel::kNone, 0));
  ShowSelectedPage();
  return *pages_.back();
}

int TabControl::PageIndex() const {
  return static_cast<int>(::SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
}

void TabControl::SetPageIndex(int index) {
  ::SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowSelectedPage();
}

std::string TabControl::TabCaption(int index) const {
  wchar_t buffer[256] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  ::SendMessageW(Handle(), TCM_GETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
  return Narrow(buffer);
}

void TabControl::SetBounds(int left, int top, int width, int height) {
  ::MoveWindow(Handle(), left, top, width, height, TRUE);
  const RECT area = PageArea();
  for (const auto& page : pages_) {
    ::MoveWindow(page->Handle(), area.left, area.top, area.right - area.left,
                 area.bottom - area.top, TRUE);
  }
}

void TabControl::Rescale() {
  WindowedControl::Rescale();
  ::SendMessageW(Handle(), TCM_SETITEMSIZE, 0, MAKELPARAM(0, Scale(tabHeight_, fonts_.Dpi())));
  const RECT area = PageArea();
  for (const auto& page : pages_) {
    ::MoveWindow(page->Handle(), area.left, area.top, area.right - area.left,
                 area.bottom - area.top, TRUE);
    page->FollowDpi();
  }
}

void TabControl::ShowSelectedPage() {
  const int selected = PageIndex();
  for (int i = 0; i < PageCount(); ++i) {
    ::ShowWindow(pages_[static_cast<size_t>(i)]->Handle(), i == selected ? SW_SHOWNA : SW_HIDE);
  }
}

}  // namespace win
