#include "win/Controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "win/Accessible.h"
#include "win/Bitmap.h"
#include "win/Dpi.h"
#include "win/Text.h"

namespace win {
namespace {

// Posted to a host to run an element's default action.
constexpr UINT kDefaultActionMessage = WM_APP + 1;

bool FaceInstalled(const std::wstring& face) {
  static std::map<std::wstring, bool> known;
  if (auto found = known.find(face); found != known.end()) return found->second;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  face.copy(query.lfFaceName, LF_FACESIZE - 1);
  bool installed = false;
  const WindowDcScope screen;
  ::EnumFontFamiliesExW(
      screen.Dc(), &query,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM context) -> int {
        *reinterpret_cast<bool*>(context) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&installed), 0);
  known.emplace(face, installed);
  return installed;
}

// Close installed stand-ins for faces a desktop may lack: a brush or Kai face
// for the calligraphic city name, Li or Song faces for the rest.
const std::vector<std::wstring>& Substitutes(const std::wstring& face) {
  static const std::map<std::wstring, std::vector<std::wstring>> table = {
      {L"\u6C49\u4EEA\u884C\u6977\u7E41" /* 汉仪行楷繁 */,
       {L"\u534E\u6587\u884C\u6977", L"STXingkai", L"\u6977\u4F53", L"KaiTi", L"AR PL UKai CN",
        L"AR PL UKai TW", L"WenQuanYi Zen Hei"}},
      {L"\u96B6\u4E66" /* 隶书 */,
       {L"LiSu", L"\u534E\u6587\u96B6\u4E66", L"STLiti", L"AR PL UMing CN", L"\u5B8B\u4F53",
        L"SimSun", L"WenQuanYi Zen Hei"}},
      {L"\u5B8B\u4F53" /* 宋体 */,
       {L"SimSun", L"NSimSun", L"AR PL UMing CN", L"WenQuanYi Zen Hei"}},
  };
  static const std::vector<std::wstring> none;
  auto found = table.find(face);
  return found == table.end() ? none : found->second;
}

}  // namespace

COLORREF ButtonFaceColor() { return ::GetSysColor(COLOR_BTNFACE); }
COLORREF WindowTextColor() { return ::GetSysColor(COLOR_WINDOWTEXT); }

std::wstring InstalledFace(const std::wstring& face) {
  if (FaceInstalled(face)) return face;
  for (const std::wstring& candidate : Substitutes(face)) {
    if (FaceInstalled(candidate)) return candidate;
  }
  return face;
}

RECT ScaledRect(const Bounds& design, int dpi) {
  // Edges are scaled, not sizes, so neighbours that meet at 96 dpi still meet.
  const int left = Scale(design.left, dpi);
  const int top = Scale(design.top, dpi);
  return RECT{left, top, Scale(design.left + design.width, dpi),
              Scale(design.top + design.height, dpi)};
}

HFONT FontSet::Get(const FontSpec& wanted) {
  Key key{wanted.face, wanted.pixelHeight, wanted.charset, wanted.underline};
  if (auto found = fonts_.find(key); found != fonts_.end()) return found->second.get();
  LOGFONTW font{};
  // Negative: the character height, as designed, at this dpi.
  font.lfHeight = -Scale(wanted.pixelHeight, dpi_);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = wanted.underline ? TRUE : FALSE;
  // The texts are Chinese: on a Chinese desktop the default character set is
  // GB2312, so ask for it wherever the layout says "default".
  font.lfCharSet = wanted.charset == DEFAULT_CHARSET ? GB2312_CHARSET : wanted.charset;
  font.lfQuality = edges_ == TextEdges::kSharp ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY;
  InstalledFace(wanted.face).copy(font.lfFaceName, LF_FACESIZE - 1);
  UniqueFont created(::CreateFontIndirectW(&font));
  if (!created) ThrowLastError("Cannot create a font");
  const HFONT handle = created.get();
  fonts_.emplace(std::move(key), std::move(created));
  return handle;
}

HDC FontSet::MeasuringDc() {
  if (!measuring_) {
    measuring_.reset(::CreateCompatibleDC(nullptr));
    if (!measuring_) ThrowLastError("Cannot measure text");
  }
  return measuring_.get();
}

void FontSet::SetDpi(int dpi) {
  if (dpi == dpi_) return;
  retired_ = std::move(fonts_);
  fonts_.clear();
  dpi_ = dpi;
}

// --- GraphicControl -------------------------------------------------------

void GraphicControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  design_ = win::Bounds{left, top, width, height};
  bounds_ = ScaledRect(design_, host_.Dpi());
  Invalidate();
}

void GraphicControl::Rescale() {
  Invalidate();
  bounds_ = ScaledRect(design_, host_.Dpi());
  Invalidate();
}

void GraphicControl::SetDeviceSize(int width, int height) {
  Invalidate();
  bounds_.right = bounds_.left + width;
  bounds_.bottom = bounds_.top + height;
  Invalidate();
}

void GraphicControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  host_.InvalidateArea(bounds_);
  host_.VisibilityChanged(*this);
}

void GraphicControl::Invalidate() {
  if (visible_) host_.InvalidateArea(bounds_);
}

// --- Label ----------------------------------------------------------------

Label::Label(ControlHost& host, const FontSpec& font, LabelStyle style)
    : GraphicControl(host), font_(font), style_(style) {}

void Label::SetText(std::string text) {
  const bool changed = text != text_;
  text_ = std::move(text);
  wideText_ = Widen(text_);
  if (style_.autoSize) AdjustSize();
  Invalidate();
  if (changed) Host().NameChanged(*this);
}

void Label::Rescale() {
  GraphicControl::Rescale();
  if (style_.autoSize) AdjustSize();
}

UINT Label::DrawFlags() const {
  UINT flags = DT_NOPREFIX | DT_EXPANDTABS;
  if (style_.align == TextAlign::kCenter) flags |= DT_CENTER;
  return flags;
}

void Label::AdjustSize() {
  const HDC dc = Host().Fonts().MeasuringDc();
  SelectObjectScope selected(dc, Host().Fonts().Get(font_));
  RECT area{0, 0, 0, 0};
  // An empty label keeps the height of one line.
  const std::wstring measured = wideText_.empty() ? std::wstring(L" ") : wideText_;
  ::DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &area,
              DrawFlags() | DT_CALCRECT);
  SetDeviceSize(wideText_.empty() ? 0 : area.right, area.bottom);
}

void Label::Paint(HDC dc) {
  RECT area = Bounds();
  if (!style_.transparent) {
    UniqueBrush brush(::CreateSolidBrush(Host().Color()));
    ::FillRect(dc, &area, brush.get());
  }
  SelectObjectScope font(dc, Host().Fonts().Get(font_));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, font_.color);
  // A label sized to its text shows it whole: letters drawn without smoothing
  // may reach a pixel or more past the width the font gives them.
  const UINT clip = style_.autoSize ? DT_NOCLIP : 0;
  if (wideText_.find_first_of(L"\r\n\t") != std::wstring::npos || wideText_.empty()) {
    ::DrawTextW(dc, wideText_.c_str(), static_cast<int>(wideText_.size()), &area,
                DrawFlags() | clip);
    return;
  }
  // One line: each letter placed at the advance measured with this font on
  // this DC, so the letters, their underline and the label's measured width
  // agree (left to DrawText, Wine placed the letters of a 13-pixel Song face
  // wider than it measured them: the underline stopped short of the text).
  const int count = static_cast<int>(wideText_.size());
  std::vector<int> ends(wideText_.size());
  SIZE size{};
  if (!::GetTextExtentExPointW(dc, wideText_.c_str(), count, 0, nullptr, ends.data(), &size)) {
    ::DrawTextW(dc, wideText_.c_str(), count, &area, DrawFlags() | clip);
    return;
  }
  std::vector<int> advances(ends.size());
  std::adjacent_difference(ends.begin(), ends.end(), advances.begin());
  int left = area.left;
  if (style_.align == TextAlign::kCenter) left += (area.right - area.left - size.cx) / 2;
  ::ExtTextOutW(dc, left, area.top, style_.autoSize ? 0 : ETO_CLIPPED, &area, wideText_.c_str(),
                static_cast<UINT>(count), advances.data());
}

// --- Dragging ---

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

// --- Picture --------------------------------------------------------------

Picture::Picture(ControlHost& host, PictureSizing sizing, bool transparent)
    : GraphicControl(host), sizing_(sizing), transparent_(transparent) {}

void Picture::LoadFromFile(const std::string& path) {
  SetBitmap(LoadBitmapFile(path));
  sourcePath_ = path;
}

void Picture::SetWords(std::string words) {
  if (words == words_) return;
  words_ = std::move(words);
  Host().NameChanged(*this);
}

void Picture::LoadFromResource(const wchar_t* name) {
  UniqueBitmap bitmap(static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap) throw std::runtime_error("Bitmap image is not valid");
  SetBitmap(std::move(bitmap));
  sourcePath_.clear();
}

void Picture::SetBitmap(UniqueBitmap bitmap) {
  bitmap_ = std::move(bitmap);
  BITMAP info{};
  if (bitmap_) ::GetObjectW(bitmap_.get(), sizeof info, &info);
  bitmapSize_ = SIZE{info.bmWidth, info.bmHeight};
  PrepareShown();
  if (sizing_ == PictureSizing::kAutoSizeStretch && bitmap_) {
    SetDeviceSize(shownSize_.cx, shownSize_.cy);
  }
  Invalidate();
}

void Picture::Rescale() {
  GraphicControl::Rescale();
  PrepareShown();
  if (sizing_ == PictureSizing::kAutoSizeStretch && bitmap_) {
    SetDeviceSize(shownSize_.cx, shownSize_.cy);
  }
}

void Picture::PrepareShown() {
  scaled_.reset();
  shownSize_ = bitmapSize_;
  key_ = CLR_INVALID;
  if (!bitmap_ || bitmapSize_.cx <= 0 || bitmapSize_.cy <= 0) return;
  // The bitmap's bottom-left pixel names the colour left out.
  if (transparent_) key_ = BottomLeftColor(bitmap_.get());
  const int dpi = Host().Dpi();
  if (dpi == kDesignDpi) return;
  scaled_ =
      ScaleBitmap(bitmap_.get(), Scale(bitmapSize_.cx, dpi), Scale(bitmapSize_.cy, dpi), key_);
  if (scaled_) shownSize_ = SIZE{Scale(bitmapSize_.cx, dpi), Scale(bitmapSize_.cy, dpi)};
}

void Picture::Paint(HDC dc) {
  const HBITMAP shown = scaled_ ? scaled_.get() : bitmap_.get();
  if (!shown || shownSize_.cx <= 0 || shownSize_.cy <= 0) return;
  const RECT& area = Bounds();
  // Fixed pictures are cut at their edges; the others were sized to the bitmap.
  const int width = std::min<int>(area.right - area.left, shownSize_.cx);
  const int height = std::min<int>(area.bottom - area.top, shownSize_.cy);
  UniqueMemoryDc source(::CreateCompatibleDC(dc));
  SelectObjectScope selected(source.get(), shown);
  if (key_ != CLR_INVALID) {
    // One to one: every pixel is the picture's own or left out exactly.
    ::GdiTransparentBlt(dc, area.left, area.top, width, height, source.get(), 0, 0, width, height,
                        key_);
  } else {
    ::BitBlt(dc, area.left, area.top, width, height, source.get(), 0, 0, SRCCOPY);
  }
}

// --- Shape ----------------------------------------------------------------

void Shape::Paint(HDC dc) {
  const int width = LineWidth(Host().Dpi());
  // A wider pen keeps inside the frame, as the one-pixel pen does.
  UniquePen pen(::CreatePen(width == 1 ? PS_SOLID : PS_INSIDEFRAME, width, penColor_));
  SelectObjectScope selectedPen(dc, pen.get());
  SelectObjectScope selectedBrush(dc, ::GetStockObject(NULL_BRUSH));
  const RECT& area = Bounds();
  ::Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

// --- ControlHost ----------------------------------------------------------

ControlHost::ControlHost(FontSet* sharedFonts, TextEdges edges)
    : ownFonts_(edges), fonts_(sharedFonts ? sharedFonts : &ownFonts_), color_(ButtonFaceColor()) {}

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

void ControlHost::ApplyDpi() {
  for (const auto& control : graphics_) control->Rescale();
  for (WindowedControl* control : windowed_) control->Rescale();
  if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ControlHost::OnDpiChanged(const RECT& suggested) {
  ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlHost::AddWindowedControl(WindowedControl& control) { windowed_.push_back(&control); }

void ControlHost::RemoveWindowedControl(WindowedControl& control) {
  std::erase(windowed_, &control);
}

GraphicControl* ControlHost::ControlAt(POINT point) const {
  for (auto it = graphics_.rbegin(); it != graphics_.rend(); ++it) {
    if ((*it)->Visible() && ::PtInRect(&(*it)->Bounds(), point)) return it->get();
  }
  return nullptr;
}

void ControlHost::SetCommandHandler(HWND child, CommandHandler handler) {
  commandHandlers_[child] = std::move(handler);
}

void ControlHost::SetNotifyHandler(HWND child, NotifyHandler handler) {
  notifyHandlers_[child] = std::move(handler);
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
  if (!backgroundBrush_) backgroundBrush_.reset(::CreateSolidBrush(color_));
  ::FillRect(dc, &client, backgroundBrush_.get());
}

void ControlHost::Paint() {
  const PaintScope paint(Handle());
  const HDC dc = paint.Dc();
  const RECT& area = paint.Area();
  RECT client;
  ::GetClientRect(Handle(), &client);
  // Painted off screen in one piece, so nothing flickers between layers.
  UniqueMemoryDc buffer(::CreateCompatibleDC(dc));
  UniqueBitmap surface(::CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1),
                                                std::max<LONG>(client.bottom, 1)));
  {
    SelectObjectScope selected(buffer.get(), surface.get());
    PaintBackground(buffer.get(), client);
    for (const auto& control : graphics_) {
      if (control->Visible()) control->Paint(buffer.get());
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
    ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.get(),
             area.left, area.top, SRCCOPY);
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
      if (lParam) {
        auto found = commandHandlers_.find(reinterpret_cast<HWND>(lParam));
        if (found != commandHandlers_.end()) {
          // Copied: the handler may replace the window's controls.
          CommandHandler handler = found->second;
          handler(HIWORD(wParam));
          return 0;
        }
      }
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      auto found = notifyHandlers_.find(header.hwndFrom);
      if (found != notifyHandlers_.end()) {
        NotifyHandler handler = found->second;
        return handler(header);
      }
      break;
    }
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
    case WM_CTLCOLORBTN: {
      if (!backgroundBrush_) backgroundBrush_.reset(::CreateSolidBrush(color_));
      ::SetBkColor(reinterpret_cast<HDC>(wParam), color_);
      return reinterpret_cast<LRESULT>(backgroundBrush_.get());
    }
    default:
      break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

// --- Panel ----------------------------------------------------------------

Panel::Panel(ControlHost& parent, int left, int top, int width, int height, Bevel innerBevel,
             int borderWidth)
    : ControlHost(&parent.Fonts()), innerBevel_(innerBevel), borderWidth_(borderWidth) {
  // A child that keeps clear of its siblings and of its own child windows.
  CreateWindowHandle(L"TPanel", 0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, left,
                     top, width, height, parent.Handle());
}

Panel::Panel(HWND parent, FontSet& fonts, int left, int top, int width, int height,
             Bevel innerBevel, int borderWidth)
    : ControlHost(&fonts), innerBevel_(innerBevel), borderWidth_(borderWidth) {
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

// --- Windowed controls ----------------------------------------------------

WindowedControl::~WindowedControl() {
  if (parent_) parent_->RemoveWindowedControl(*this);
}

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
  parent.AddWindowedControl(*this);
}

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
  parent.SetCommandHandler(Handle(), [this](WORD notification) {
    if (notification == BN_CLICKED && onClick) onClick();
  });
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
  parent.SetNotifyHandler(Handle(), [this](const NMHDR& header) -> LRESULT {
    if (header.code == TCN_SELCHANGE) ShowSelectedPage();
    return 0;
  });
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
  pages_.push_back(std::make_unique<Panel>(Handle(), fonts_, area.left, area.top,
                                           area.right - area.left, area.bottom - area.top,
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
