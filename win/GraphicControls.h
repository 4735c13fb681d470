// The windowless controls: labels, pictures and rectangle outlines. Their
// host (win/ControlHost.h) paints them in its order and routes the mouse to
// them; each keeps its design bounds at 96 dpi and shows at the host's dpi.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "win/Fonts.h"
#include "win/Handles.h"

namespace win {

class ControlHost;

enum class MouseButton { kLeft, kRight, kMiddle };

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
  // Made on the first paint at a pen width, not on every paint.
  UniquePen pen_;
  int penWidth_ = 0;
};

}  // namespace win
