#include "win/Fonts.h"

#include <map>
#include <vector>

#include "win/Text.h"

namespace win {
namespace {

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

}  // namespace win
