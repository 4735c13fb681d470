#include "win/ControlHost.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "win/Accessible.h"
#include "win/DoubleBuffer.h"
#include "win/Dpi.h"
#include "win/WindowedControls.h"

namespace win {
namespace {

// Posted to a host to run an element's default action.
constexpr UINT kDefaultActionMessage = WM_APP + 1;

}  // namespace

void FollowPointerWhileHeld(HWND window, MouseButton button) {
  const UINT up = button == MouseButton::kMiddle ? WM_MBUTTONUP : WM_RBUTTONUP;
  const WPARAM held = button == MouseButton::kMiddle ? MK_MBUTTON : MK_RBUTTON;
  const DWORD from = ::GetMessagePos();
  const POINT start{GET_X_LPARAM(from), GET_Y_LPARAM(from)};
  RECT origin;
  ::GetWindowRect(window, &origin);
  const auto moveTo = [window](int x, int y) {
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  ::SetCapture(window);
  MSG message;
  while (::GetCapture() == window) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    if (message.message == WM_MOUSEMOVE && message.hwnd == window) {
      moveTo(origin.left + message.pt.x - start.x, origin.top + message.pt.y - start.y);
      // The button went up where this window could not see it.
      if ((message.wParam & held) == 0) break;
      continue;
    }
    if (message.message == up && message.hwnd == window) break;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      moveTo(origin.left, origin.top);
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (::GetCapture() == window) ::ReleaseCapture();
}

// --- ControlHost ----------------------------------------------------------

ControlHost::ControlHost(FailureSink failures, FontSet* sharedFonts, TextEdges edges)
    : Window(std::move(failures)),
      ownFonts_(edges),
      fonts_(sharedFonts ? sharedFonts : &ownFonts_),
      color_(ButtonFaceColor()) {}

// Out of line: the controls' and panels' types are whole only here.
ControlHost::~ControlHost() = default;

void ControlHost::SetColor(COLORREF color) {
  color_ = color;
  backgroundBrush_.reset();
  if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ControlHost::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == Dpi()) return;
  fonts_->SetDpi(dpi);
  ApplyDpi();
}

HBRUSH ControlHost::BackgroundBrush() {
  if (!backgroundBrush_) backgroundBrush_.reset(::CreateSolidBrush(color_));
  return backgroundBrush_.get();
}

void ControlHost::ApplyDpi() {
  for (const auto& control : graphics_) control->Rescale();
  for (const auto& control : windowed_) control->Rescale();
  for (const auto& panel : panels_) panel->ApplyDpi();
  if (!Handle()) return;
  RECT client;
  ::GetClientRect(Handle(), &client);
  OnResize(client.right, client.bottom);
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ControlHost::OnResize(int, int) {}

void ControlHost::OnDpiChanged(const RECT& suggested) {
  ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

Panel& ControlHost::AddPanel(int left, int top, int width, int height, Bevel innerBevel,
                             int borderWidth) {
  panels_.push_back(
      std::make_unique<Panel>(*this, left, top, width, height, innerBevel, borderWidth));
  return *panels_.back();
}

WindowedControl* ControlHost::WindowedFor(HWND child) const {
  for (const auto& control : windowed_) {
    if (control->Handle() == child) return control.get();
  }
  return nullptr;
}

GraphicControl* ControlHost::ControlAt(POINT point) const {
  for (auto it = graphics_.rbegin(); it != graphics_.rend(); ++it) {
    if ((*it)->Visible() && ::PtInRect(&(*it)->Bounds(), point)) return it->get();
  }
  return nullptr;
}

void ControlHost::InvalidateArea(const RECT& area) {
  // A hidden window is painted whole when it is shown: while it is being
  // built, every control's change would otherwise cost a call to the system.
  if (Handle() && ::IsWindowVisible(Handle())) ::InvalidateRect(Handle(), &area, FALSE);
}

void ControlHost::SetReadingOrder(std::vector<ReadingItem> items) {
  readingOrder_ = std::move(items);
  childWindowsNamed_ = false;
  // Naming loads oleacc: at once while a screen reader runs, otherwise when
  // one first asks this window for an object.
  BOOL screenReader = FALSE;
  if (::SystemParametersInfoW(SPI_GETSCREENREADER, 0, &screenReader, 0) && screenReader) {
    NameChildWindows();
  }
}

void ControlHost::NameChildWindows() {
  childWindowsNamed_ = true;
  for (const ReadingItem& item : readingOrder_) {
    if (item.window && item.name) NameChildWindow(item.window, item.name);
  }
}

long ControlHost::ChildId(const GraphicControl& control) const {
  for (size_t i = 0; i < readingOrder_.size(); ++i) {
    if (readingOrder_[i].control == &control) return static_cast<long>(i + 1);
  }
  return 0;
}

void ControlHost::NameChanged(const GraphicControl& control) {
  const long id = ChildId(control);
  if (!Handle() || id == 0) return;
  // A button's name says what it does: its picture's words are its description.
  const DWORD event = readingOrder_[static_cast<size_t>(id - 1)].role == Role::kButton
                          ? EVENT_OBJECT_DESCRIPTIONCHANGE
                          : EVENT_OBJECT_NAMECHANGE;
  ::NotifyWinEvent(event, Handle(), OBJID_CLIENT, id);
}

void ControlHost::VisibilityChanged(const GraphicControl& control) {
  const long id = ChildId(control);
  if (!Handle() || id == 0) return;
  ::NotifyWinEvent(control.Visible() ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, Handle(),
                   OBJID_CLIENT, id);
}

void ControlHost::PostDefaultAction(size_t index) {
  ::PostMessageW(Handle(), kDefaultActionMessage, index, 0);
}

void ControlHost::RunDefaultAction(size_t index) {
  if (index >= readingOrder_.size()) return;
  GraphicControl* control = readingOrder_[index].control;
  if (!control) return;
  // The mouse's handler: a click, or for a control that acts on a press, the press.
  if (control->onClick) {
    control->onClick();
  } else if (control->onMouseDown) {
    control->onMouseDown(MouseButton::kLeft);
  }
}

void ControlHost::PaintBackground(HDC dc, const RECT& client) {
  ::FillRect(dc, &client, BackgroundBrush());
}

void ControlHost::Paint() {
  const PaintScope paint(Handle());
  const HDC dc = paint.Dc();
  RECT client;
  ::GetClientRect(Handle(), &client);
  const DoubleBuffer buffer(dc, client, paint.Area());
  PaintBackground(buffer.Dc(), client);
  for (const auto& control : graphics_) {
    if (control->Visible()) control->Paint(buffer.Dc());
  }
  // Child windows paint themselves; keep clear of them.
  for (HWND child = ::GetWindow(Handle(), GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT area;
    ::GetWindowRect(child, &area);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    ::ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
  }
}

void ControlHost::MouseDown(POINT point, MouseButton button) {
  GraphicControl* control = ControlAt(point);
  pressed_ = control;
  backgroundPressed_ = control == nullptr;
  ::SetCapture(Handle());
  if (control && control->onMouseDown) control->onMouseDown(button);
}

void ControlHost::MouseUp(POINT point) {
  GraphicControl* pressed = std::exchange(pressed_, nullptr);
  const bool background = std::exchange(backgroundPressed_, false);
  if (::GetCapture() == Handle()) ::ReleaseCapture();
  GraphicControl* control = ControlAt(point);
  if (pressed && pressed == control && control->onClick) {
    control->onClick();
  } else if (background && !control && onClick) {
    RECT client;
    ::GetClientRect(Handle(), &client);
    if (::PtInRect(&client, point)) onClick();
  }
}

LRESULT ControlHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      MouseDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)},
                message == WM_LBUTTONDOWN   ? MouseButton::kLeft
                : message == WM_RBUTTONDOWN ? MouseButton::kRight
                                            : MouseButton::kMiddle);
      return 0;
    case WM_LBUTTONUP:
      MouseUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      pressed_ = nullptr;
      backgroundPressed_ = false;
      if (::GetCapture() == Handle()) ::ReleaseCapture();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT point;
        ::GetCursorPos(&point);
        ::ScreenToClient(Handle(), &point);
        if (GraphicControl* control = ControlAt(point); control && control->cursor) {
          ::SetCursor(control->cursor);
          return TRUE;
        }
      }
      break;
    case WM_COMMAND:
      if (WindowedControl* control = WindowedFor(reinterpret_cast<HWND>(lParam))) {
        control->OnCommand(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (WindowedControl* control = WindowedFor(header.hwndFrom)) return control->OnNotify(header);
      break;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) OnResize(LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_GETOBJECT:
      if (!childWindowsNamed_ && !readingOrder_.empty()) NameChildWindows();
      // The object id is a LONG: Wine passes it in the low 32 bits only.
      if (static_cast<LONG>(lParam) == OBJID_CLIENT && !readingOrder_.empty()) {
        if (const LRESULT answer = AnswerClientObject(Handle(), wParam)) return answer;
      }
      break;
    case kDefaultActionMessage:
      RunDefaultAction(static_cast<size_t>(wParam));
      return 0;
    case WM_DPICHANGED: {
      // Copied: moving the window may reuse the system's buffer.
      const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
      SetDpi(HIWORD(wParam));
      OnDpiChanged(suggested);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), color_);
      return reinterpret_cast<LRESULT>(BackgroundBrush());
    default:
      break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

// --- Panel ----------------------------------------------------------------

Panel::Panel(ControlHost& parent, int left, int top, int width, int height, Bevel innerBevel,
             int borderWidth)
    : ControlHost(parent.Failures(), &parent.Fonts()),
      innerBevel_(innerBevel),
      borderWidth_(borderWidth) {
  // A child that keeps clear of its siblings and of its own child windows.
  CreateWindowHandle(L"TPanel", 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, left,
                     top, width, height, parent.Handle());
}

Panel::Panel(HWND parent, FontSet& fonts, const FailureSink& failures, int left, int top, int width,
             int height, Bevel innerBevel, int borderWidth)
    : ControlHost(failures, &fonts), innerBevel_(innerBevel), borderWidth_(borderWidth) {
  CreateWindowHandle(L"TPanel", 0, WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, left, top, width,
                     height, parent);
}

void Panel::PaintBackground(HDC dc, const RECT& client) {
  ControlHost::PaintBackground(dc, client);
  if (innerBevel_ == Bevel::kLowered) {
    // The bevel lies inside the border width, as a toolkit panel draws it;
    // both grow with the dpi.
    RECT bevel = client;
    const int border = Scale(borderWidth_, Dpi());
    ::InflateRect(&bevel, -border, -border);
    for (int line = LineWidth(Dpi()); line > 0; --line) {
      ::DrawEdge(dc, &bevel, BDR_SUNKENOUTER, BF_RECT);
      ::InflateRect(&bevel, -1, -1);
    }
  }
}

}  // namespace win
