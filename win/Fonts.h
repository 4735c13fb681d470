// The fonts the controls draw with: the layouts' colours and font specs, the
// design bounds every control keeps at 96 dpi, and each window's font set.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "win/Dpi.h"
#include "win/Handles.h"

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

}  // namespace win
