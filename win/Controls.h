// The controls both windows are built from. Labels, pictures and rectangle
// outlines are windowless: their host paints them in layout order (a later one
// over an earlier one) and routes mouse input to the topmost one under the
// pointer. Buttons, combo boxes, memos and tabs are real child windows, above
// everything windowless. Every control keeps its design bounds (at 96 dpi) and
// shows at its host's dpi.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace win {

// Colours the layouts name.
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kRed = RGB(255, 0, 0);
COLORREF ButtonFaceColor();
COLORREF WindowTextColor();

struct FontSpec {
  const wchar_t* face;
  int pixelHeight;  // character height at 96 dpi, without internal leading
  COLORREF color;
  BYTE charset;
  bool underline = false;
};

// Left, top, width and height in pixels at 96 dpi.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The same bounds at a dpi, as a rectangle of device pixels.
RECT ScaledRect(const win::Bounds& design, int dpi);

// The first installed face of the substitutes for a wanted face (the wanted
// face itself when installed).
std::wstring InstalledFace(const std::wstring& face);

// How the letters' edges are drawn: smoothed as the desktop says, or never
// smoothed, for text on a see-through colour key where a smoothed edge
// would blend with the key colour into a fringe.
enum class TextEdges { kDesktop, kSharp };

// The fonts of one window at its dpi, created on first use and released with
// it. A dpi change keeps the previous generation alive until the next one,
// so child windows can still use them until they are given the new ones.
class FontSet {
 public:
  explicit FontSet(TextEdges edges = TextEdges::kDesktop) : edges_(edges) {}
  HFONT Get(const FontSpec& wanted);
  // One memory DC for measuring texts in these fonts (no window's DC to ask for).
  HDC MeasuringDc();
  int Dpi() const noexcept { return dpi_; }
  void SetDpi(int dpi);
  TextEdges Edges() const noexcept { return edges_; }

 private:
  using Key = std::tuple<std::wstring, int, BYTE, bool>;
  TextEdges edges_;
  int dpi_ = kDesignDpi;
  std::map<Key, UniqueFont> fonts_;
  std::map<Key, UniqueFont> retired_;
  UniqueMemoryDc measuring_;  // declared last: released before the fonts it may hold
};

class ControlHost;

enum class MouseButton { kLeft, kRight, kMiddle };

// Moves a top-level window with the pointer while a button other than the
// left one is held, from the point of the message being handled (its button
// down); ends when that button goes up, when the capture is taken away, or
// on Escape, which puts the window back. The system's move by the caption
// (WM_SYSCOMMAND, SC_MOVE) serves the left button only: its loop ends on a
// left button up, so after a drag with the right button the window would
// follow the pointer until the next left click, and swallow it.
void FollowPointerWhileHeld(HWND window, MouseButton button);

class GraphicControl {
 public:
  explicit GraphicControl(ControlHost& host) : host_(host) {}
  GraphicControl(const GraphicControl&) = delete;
  GraphicControl& operator=(const GraphicControl&) = delete;
  virtual ~GraphicControl() = default;

  // Device pixels, relative to the host's client area.
  const RECT& Bounds() const noexcept { return bounds_; }
  // Design bounds at 96 dpi; shown at the host's dpi.
  void SetBounds(int left, int top, int width, int height);
  const win::Bounds& DesignBounds() const noexcept { return design_; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);
  ControlHost& Host() const noexcept { return host_; }

  virtual void Paint(HDC dc) = 0;
  // The host's dpi changed: place and size again.
  virtual void Rescale();

  std::function<void()> onClick;
  std::function<void(MouseButton)> onMouseDown;  // any button
  HCURSOR cursor = nullptr;

 protected:
  void Invalidate();
  // Keeps the scaled left and top, sets a size already in device pixels.
  void SetDeviceSize(int width, int height);

 private:
  ControlHost& host_;
  win::Bounds design_;
  RECT bounds_{};
  bool visible_ = true;
};

enum class TextAlign { kLeft, kCenter };

struct LabelStyle {
  bool autoSize = true;      // grows to its text, left edge fixed
  bool transparent = false;  // paints no background of its own
  TextAlign align = TextAlign::kLeft;
};

class Label : public GraphicControl {
 public:
  Label(ControlHost& host, const FontSpec& font, LabelStyle style);

  const std::string& Text() const noexcept { return text_; }
  // GBK text; a lone CR breaks the line.
  void SetText(std::string text);
  const FontSpec& Font() const noexcept { return font_; }
  const LabelStyle& Style() const noexcept { return style_; }

  void Paint(HDC dc) override;
  void Rescale() override;

 private:
  void AdjustSize();
  UINT DrawFlags() const;

  FontSpec font_;
  LabelStyle style_;
  std::string text_;
  std::wstring wideText_;
};

enum class PictureSizing {
  kAutoSizeStretch,  // takes the size of each bitmap and shows it whole
  kFixed,            // keeps its size; the bitmap is drawn from the top left, cut at the edges
};

class Picture : public GraphicControl {
 public:
  Picture(ControlHost& host, PictureSizing sizing, bool transparent);

  // Replaces the picture by the bitmap file at the relative path; throws
  // "Cannot open file ..." or "Bitmap image is not valid" and keeps the old one.
  void LoadFromFile(const std::string& path);
  void LoadFromResource(const wchar_t* name);
  void SetBitmap(UniqueBitmap bitmap);

  // The bitmap as loaded, at 96 dpi, and its size.
  HBITMAP Bitmap() const noexcept { return bitmap_.get(); }
  SIZE BitmapSize() const noexcept { return bitmapSize_; }
  // The file the current picture came from (empty for resources).
  const std::string& SourcePath() const noexcept { return sourcePath_; }
  // What the picture shows, in words (GBK), for screen readers.
  const std::string& Words() const noexcept { return words_; }
  void SetWords(std::string words);

  void Paint(HDC dc) override;
  void Rescale() override;

 private:
  // The bitmap at the host's dpi, made once per bitmap and dpi.
  void PrepareShown();

  PictureSizing sizing_;
  bool transparent_;
  UniqueBitmap bitmap_;
  SIZE bitmapSize_{};
  // At 96 dpi the loaded bitmap itself is drawn; otherwise a scaled copy.
  UniqueBitmap scaled_;
  SIZE shownSize_{};
  COLORREF key_ = CLR_INVALID;
  std::string sourcePath_;
  std::string words_;
};

// A rectangle outline, no fill; the pen grows with the dpi.
class Shape : public GraphicControl {
 public:
  Shape(ControlHost& host, COLORREF penColor) : GraphicControl(host), penColor_(penColor) {}
  void Paint(HDC dc) override;

 private:
  COLORREF penColor_;
};

class WindowedControl;

// What an element is to a screen reader.
enum class Role { kText, kGraphic, kButton, kLink };

// One element of a host in reading order: a windowless control of the host
// (a button's or a link's default action is its click, or for a control that
// acts on a press, its mouse-down), or a child window, which answers for
// itself and is named here.
struct ReadingItem {
  GraphicControl* control = nullptr;
  Role role = Role::kText;
  // GBK. Null: a label's text, a picture's words; a button says what it does
  // and keeps its picture's words as its description.
  const char* name = nullptr;
  HWND window = nullptr;
};

// A window that paints its windowless controls and routes their input, and
// routes the notifications of its child windows to their wrappers.
class ControlHost : public Window {
 public:
  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);
  FontSet& Fonts() noexcept { return *fonts_; }
  int Dpi() const noexcept { return fonts_->Dpi(); }

  template <typename Control, typename... Args>
  Control& AddGraphic(Args&&... args) {
    auto control = std::make_unique<Control>(*this, std::forward<Args>(args)...);
    Control& result = *control;
    graphics_.push_back(std::move(control));
    return result;
  }
  const std::vector<std::unique_ptr<GraphicControl>>& Graphics() const noexcept {
    return graphics_;
  }

  // The topmost visible windowless control at a client point, or null.
  GraphicControl* ControlAt(POINT point) const;

  using CommandHandler = std::function<void(WORD notification)>;
  void SetCommandHandler(HWND child, CommandHandler handler);
  using NotifyHandler = std::function<LRESULT(const NMHDR& header)>;
  void SetNotifyHandler(HWND child, NotifyHandler handler);

  // Child windows of system classes register here, so a dpi change reaches them.
  void AddWindowedControl(WindowedControl& control);
  void RemoveWindowedControl(WindowedControl& control);

  void InvalidateArea(const RECT& area);

  // What screen readers read of the host, in order (win/Accessible.h).
  void SetReadingOrder(std::vector<ReadingItem> items);
  const std::vector<ReadingItem>& ReadingOrder() const noexcept { return readingOrder_; }
  // A control's name or visibility changed: screen readers are told.
  void NameChanged(const GraphicControl& control);
  void VisibilityChanged(const GraphicControl& control);
  // The default action of the item at an index runs once the caller has
  // returned (a screen reader is not kept waiting while it runs, say, a
  // modal window).
  void PostDefaultAction(size_t index);

  // A click on the host at a point no control covers.
  std::function<void()> onClick;

 protected:
  // A top-level host owns its fonts (drawn with the given edges); a panel
  // shares its window's.
  explicit ControlHost(FontSet* sharedFonts = nullptr, TextEdges edges = TextEdges::kDesktop);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws what lies under the windowless controls (background, bevels).
  virtual void PaintBackground(HDC dc, const RECT& client);
  // Shows every control at the dpi of the shared fonts (set them first).
  virtual void ApplyDpi();

  // For top-level hosts: takes the window's dpi and shows the controls at it.
  void SetDpi(int dpi);
  // After a move to a monitor of another dpi (the controls already follow
  // it): takes the system's suggested place and size.
  virtual void OnDpiChanged(const RECT& suggested);

 private:
  void Paint();
  void MouseDown(POINT point, MouseButton button);
  void MouseUp(POINT point);
  void RunDefaultAction(size_t index);
  // The control's child id in the reading order; 0 when it is not read.
  long ChildId(const GraphicControl& control) const;
  // Gives the child windows in the reading order their names.
  void NameChildWindows();

  FontSet ownFonts_;
  FontSet* fonts_;
  COLORREF color_;
  UniqueBrush backgroundBrush_;
  std::vector<std::unique_ptr<GraphicControl>> graphics_;
  std::vector<WindowedControl*> windowed_;
  std::unordered_map<HWND, CommandHandler> commandHandlers_;
  std::unordered_map<HWND, NotifyHandler> notifyHandlers_;
  std::vector<ReadingItem> readingOrder_;
  bool childWindowsNamed_ = false;
  GraphicControl* pressed_ = nullptr;
  bool backgroundPressed_ = false;
};

enum class Bevel { kNone, kLowered };

// A child window that hosts controls of its own, placed in device pixels.
class Panel : public ControlHost {
 public:
  Panel(ControlHost& parent, int left, int top, int width, int height, Bevel innerBevel,
        int borderWidth);
  // A panel inside a child window of a system class (a tab control's page).
  Panel(HWND parent, FontSet& fonts, int left, int top, int width, int height, Bevel innerBevel,
        int borderWidth);

  // Its parent's dpi changed (the shared fonts already follow it).
  void FollowDpi() { ApplyDpi(); }

 protected:
  void PaintBackground(HDC dc, const RECT& client) override;

 private:
  Bevel innerBevel_;
  int borderWidth_;
};

// Wraps a child window of a system class.
class WindowedControl {
 public:
  WindowedControl() = default;
  WindowedControl(const WindowedControl&) = delete;
  WindowedControl& operator=(const WindowedControl&) = delete;
  virtual ~WindowedControl();

  HWND Handle() const noexcept { return hwnd_.get(); }
  bool Visible() const;
  void SetVisible(bool visible);
  RECT Bounds() const;  // device pixels, relative to the parent's client area
  std::string Text() const;
  // The parent's dpi changed: place, size and font again.
  virtual void Rescale();

 protected:
  void Create(ControlHost& parent, const wchar_t* className, DWORD style, const win::Bounds& design,
              const FontSpec& font, std::string_view text = {});
  ControlHost& Parent() const noexcept { return *parent_; }
  const win::Bounds& DesignBounds() const noexcept { return design_; }
  // The window's height beyond its design bounds (a combo box's list), at 96 dpi.
  int extraDesignHeight_ = 0;

 private:
  ControlHost* parent_ = nullptr;
  win::Bounds design_;
  FontSpec font_{};
  UniqueChildWindow hwnd_;
};

class Button : public WindowedControl {
 public:
  Button(ControlHost& parent, const win::Bounds& design, std::string_view caption,
         const FontSpec& font);
  void SetCaption(std::string_view caption);
  std::function<void()> onClick;
};

// Multi-line, editable, wrapping, no scroll bars.
class Memo : public WindowedControl {
 public:
  Memo(ControlHost& parent, const win::Bounds& design, std::string_view text, const FontSpec& font);
  // Lines split at CR, LF or CR LF; throws "Text exceeds memo capacity" when
  // the edit control refuses the text.
  void SetText(std::string_view text);
  void Clear();
};

// A tab strip over a stack of pages; the selected tab's page is the one shown.
class TabControl : public WindowedControl {
 public:
  TabControl(ControlHost& parent, const win::Bounds& design, int tabHeight, const FontSpec& font);
  // A new page under a new tab, filling the area below the strip.
  Panel& AddPage(std::string_view caption);
  int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
  Panel& Page(int index) const { return *pages_.at(static_cast<size_t>(index)); }
  int PageIndex() const;
  void SetPageIndex(int index);
  std::string TabCaption(int index) const;
  // Moves the control and its pages (device pixels).
  void SetBounds(int left, int top, int width, int height);
  void Rescale() override;

 private:
  void ShowSelectedPage();
  RECT PageArea() const;

  FontSet& fonts_;
  int tabHeight_;  // at 96 dpi
  std::vector<std::unique_ptr<Panel>> pages_;
};

}  // namespace win
