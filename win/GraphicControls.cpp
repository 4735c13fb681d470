#include "win/GraphicControls.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "win/Bitmap.h"
#include "win/ControlHost.h"
#include "win/Text.h"

namespace win {

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
  if (!style_.transparent) ::FillRect(dc, &area, Host().BackgroundBrush());
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
  if (!pen_ || width != penWidth_) {
    // A wider pen keeps inside the frame, as the one-pixel pen does.
    pen_.reset(::CreatePen(width == 1 ? PS_SOLID : PS_INSIDEFRAME, width, penColor_));
    penWidth_ = width;
  }
  SelectObjectScope selectedPen(dc, pen_.get());
  SelectObjectScope selectedBrush(dc, ::GetStockObject(NULL_BRUSH));
  const RECT& area = Bounds();
  ::Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

}  // namespace win
