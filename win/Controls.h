// The controls both windows are built from. Labels, pictures and rectangle
// outlines are windowless: their host paints them in layout order (a later one
// over an earlier one) and routes mouse input to the topmost one under the
// pointer. Buttons, combo boxes, memos and tabs are real child windows, above
// everything windowless.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
  int pixelHeight;  // character height, without internal leading
  COLORREF color;
  BYTE charset;
  bool underline = false;
};

// The first installed face of the substitutes for a wanted face (the wanted
// face itself when installed).
std::wstring InstalledFace(const std::wstring& face);

// The fonts of one window, created on first use and released with it.
class FontSet {
 public:
  HFONT Get(const FontSpec& wanted);

 private:
  std::unordered_map<std::wstring, UniqueFont> fonts_;
};

class ControlHost;

class GraphicControl {
 public:
  explicit GraphicControl(ControlHost& host) : host_(host) {}
  GraphicControl(const GraphicControl&) = delete;
  GraphicControl& operator=(const GraphicControl&) = delete;
  virtual ~GraphicControl() = default;

  const RECT& Bounds() const noexcept { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);
  ControlHost& Host() const noexcept { return host_; }

  virtual void Paint(HDC dc) = 0;

  std::function<void()> onClick;
  std::function<void()> onMouseDown;  // any button
  HCURSOR cursor = nullptr;

 protected:
  void Invalidate();

 private:
  ControlHost& host_;
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

  HBITMAP Bitmap() const noexcept { return bitmap_.get(); }
  SIZE BitmapSize() const noexcept { return bitmapSize_; }
  // The file the current picture came from (empty for resources).
  const std::string& SourcePath() const noexcept { return sourcePath_; }

  void Paint(HDC dc) override;

 private:
  PictureSizing sizing_;
  bool transparent_;
  UniqueBitmap bitmap_;
  SIZE bitmapSize_{};
  std::string sourcePath_;
};

// A rectangle outline, no fill.
class Shape : public GraphicControl {
 public:
  Shape(ControlHost& host, COLORREF penColor) : GraphicControl(host), penColor_(penColor) {}
  void Paint(HDC dc) override;

 private:
  COLORREF penColor_;
};

// A window that paints its windowless controls and routes their input, and
// routes the notifications of its child windows to their wrappers.
class ControlHost : public Window {
 public:
  COLORREF Color() const noexcept { return color_; }
  void SetColor(COLORREF color);
  FontSet& Fonts() noexcept { return *fonts_; }

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

  void InvalidateArea(const RECT& area);

  // A click on the host at a point no control covers.
  std::function<void()> onClick;

 protected:
  explicit ControlHost(FontSet* sharedFonts = nullptr);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws what lies under the windowless controls (background, bevels).
  virtual void PaintBackground(HDC dc, const RECT& client);

 private:
  void Paint();
  void MouseDown(POINT point);
  void MouseUp(POINT point);

  FontSet ownFonts_;
  FontSet* fonts_;
  COLORREF color_;
  UniqueBrush backgroundBrush_;
  std::vector<std::unique_ptr<GraphicControl>> graphics_;
  std::unordered_map<HWND, CommandHandler> commandHandlers_;
  std::unordered_map<HWND, NotifyHandler> notifyHandlers_;
  GraphicControl* pressed_ = nullptr;
  bool backgroundPressed_ = false;
};

enum class Bevel { kNone, kLowered };

// A child window that hosts controls of its own.
class Panel : public ControlHost {
 public:
  Panel(ControlHost& parent, int left, int top, int width, int height, Bevel innerBevel,
        int borderWidth);
  // A panel inside a child window of a system class (a tab control's page).
  Panel(HWND parent, FontSet& fonts, int left, int top, int width, int height, Bevel innerBevel,
        int borderWidth);

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
  virtual ~WindowedControl() = default;

  HWND Handle() const noexcept { return hwnd_.get(); }
  bool Visible() const;
  void SetVisible(bool visible);
  RECT Bounds() const;  // relative to the parent's client area
  std::string Text() const;

 protected:
  void Create(ControlHost& parent, const wchar_t* className, DWORD style, int left, int top,
              int width, int height, HFONT font, std::string_view text = {});

 private:
  UniqueChildWindow hwnd_;
};

class Button : public WindowedControl {
 public:
  Button(ControlHost& parent, int left, int top, int width, int height, std::string_view caption,
         HFONT font);
  void SetCaption(std::string_view caption);
  std::function<void()> onClick;
};

// Multi-line, editable, wrapping, no scroll bars.
class Memo : public WindowedControl {
 public:
  Memo(ControlHost& parent, int left, int top, int width, int height, std::string_view text,
       HFONT font);
  // Lines split at CR, LF or CR LF; throws "Text exceeds memo capacity" when
  // the edit control refuses the text.
  void SetText(std::string_view text);
  void Clear();
};

// A tab strip over a stack of pages; the selected tab's page is the one shown.
class TabControl : public WindowedControl {
 public:
  TabControl(ControlHost& parent, int left, int top, int width, int height, int tabHeight,
             HFONT font);
  // A new page under a new tab, filling the area below the strip.
  Panel& AddPage(std::string_view caption);
  int PageCount() const noexcept { return static_cast<int>(pages_.size()); }
  Panel& Page(int index) const { return *pages_.at(static_cast<size_t>(index)); }
  int PageIndex() const;
  void SetPageIndex(int index);
  std::string TabCaption(int index) const;
  // Moves the control and its pages.
  void SetBounds(int left, int top, int width, int height);

 private:
  void ShowSelectedPage();
  RECT PageArea() const;

  FontSet& fonts_;
  int tabHeight_;
  std::vector<std::unique_ptr<Panel>> pages_;
};

}  // namespace win
