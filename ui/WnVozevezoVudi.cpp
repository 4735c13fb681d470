#include "ui/WnVozevezoVudi.h"

#include <algorithm>
#include <array>
#include <string>

#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/Services.h"
#include "ui/Layout.h"
#include "ui/ReportDisplay.h"
#include "ui/Texts.h"
#include "ui/WnVazodivuDodiru.h"
#include "weather/Location.h"
#include "weather/ReportItems.h"

namespace ui {
namespace {

using Form = TFmVozevezoVudi;
using Row = LayoutRow<Form>;

const FontSpec kWindowFont{L"MS Sans Serif", 11, WindowTextColor(), DEFAULT_CHARSET};
const FontSpec kCityFont{L"\u6C49\u4EEA\u884C\u6977\u7E41" /* 汉仪行楷繁 */, 32, kBlue,
                         GB2312_CHARSET};
const FontSpec kWeatherFont{L"\u96B6\u4E66" /* 隶书 */, 19, kBlue, GB2312_CHARSET};
const FontSpec kLinkFont{L"MS Sans Serif", 11, kBlue, DEFAULT_CHARSET, true};

constexpr unsigned kDayLabel = kFixedSize | kCentered | kSeeThrough;

// clang-format off
const Row kTopBarLayout[] = {
  // control          left top w    h   text               font     flags
  {&Form::Label6,     8,   9,  48,  13, kTextOtherCities,  nullptr, kNone},
  // Child windows, in tab order.
  {&Form::ComboBox1,  88,  4,  145, 21, kTextDesignCity,   nullptr, kNone, &Form::ComboBox1Change},
  {&Form::Button1,    272, 0,  75,  25, kTextSimpleView,   nullptr, kNone, &Form::Button1Click},
};

// In painting order: a later row covers an earlier one.
const Row kForecastLayout[] = {
  // The day table's frames (Shape12 and Shape23 come later), then the index block's.
  // control             left top  w    h   text  font     flags
  {&Form::Shape1,        8,   78,  65,  64, nullptr, nullptr, kNone},
  {&Form::Shape2,        72,  78,  110, 25, nullptr, nullptr, kNone},
  {&Form::Shape3,        181, 78,  110, 25, nullptr, nullptr, kNone},
  {&Form::Shape4,        181, 102, 110, 40, nullptr, nullptr, kNone},
  {&Form::Shape5,        290, 78,  110, 25, nullptr, nullptr, kNone},
  {&Form::Shape6,        290, 102, 110, 40, nullptr, nullptr, kNone},
  {&Form::Shape7,        72,  102, 110, 40, nullptr, nullptr, kNone},
  {&Form::Shape8,        399, 78,  110, 25, nullptr, nullptr, kNone},
  {&Form::Shape9,        399, 102, 110, 40, nullptr, nullptr, kNone},
  {&Form::Shape10,       508, 78,  110, 25, nullptr, nullptr, kNone},
  {&Form::Shape11,       508, 102, 110, 40, nullptr, nullptr, kNone},
  {&Form::Shape13,       72,  141, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape14,       181, 141, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape15,       290, 141, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape16,       399, 141, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape17,       508, 141, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape18,       508, 170, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape19,       399, 170, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape20,       290, 170, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape21,       181, 170, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape22,       72,  170, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape24,       508, 199, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape25,       399, 199, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape26,       290, 199, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape27,       181, 199, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape28,       72,  199, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape29,       8,   199, 65,  30, nullptr, nullptr, kNone},
  {&Form::Shape30,       508, 228, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape31,       399, 228, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape32,       290, 228, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape33,       181, 228, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape34,       72,  228, 110, 30, nullptr, nullptr, kNone},
  {&Form::Shape35,       8,   228, 65,  30, nullptr, nullptr, kNone},
  {&Form::Shape36,       8,   257, 610, 69, nullptr, nullptr, kNone},
  {&Form::Shape37,       8,   325, 204, 69, nullptr, nullptr, kNone},
  {&Form::Shape38,       211, 325, 204, 69, nullptr, nullptr, kNone},
  {&Form::Shape39,       414, 325, 204, 69, nullptr, nullptr, kNone},
  {&Form::Shape40,       8,   393, 204, 69, nullptr, nullptr, kNone},
  {&Form::Shape41,       211, 393, 204, 69, nullptr, nullptr, kNone},

  // The day columns' labels: fixed size, centred, see-through.
  {&Form::LblDate1,      72,  86,  110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblweather1,   72,  149, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblTemp1,      72,  181, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblWind1,      72,  208, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblfl1,        72,  237, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblDate2,      181, 86,  110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblweather2,   181, 149, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblTemp2,      181, 181, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblWind2,      181, 208, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblfl2,        181, 237, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblDate3,      290, 86,  110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblweather3,   290, 149, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblTemp3,      290, 181, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblWind3,      290, 208, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblfl3,        290, 237, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblDate4,      399, 86,  110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblweather4,   399, 149, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblTemp4,      399, 181, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblWind4,      399, 208, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblfl4,        399, 237, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblDate5,      508, 86,  110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblweather5,   508, 150, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblTemp5,      508, 182, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::LblWind5,      508, 208, 110, 13, kTextDayLabel, nullptr, kDayLabel},
  {&Form::Lblfl5,        508, 237, 110, 13, kTextDayLabel, nullptr, kDayLabel},

  // The clothing labels, opaque and sized to their text.
  {&Form::Lblchuanyi1,   75,  267, 48,  13, kTextDayLabel, nullptr, kNone},
  {&Form::Lblchuanyi2,   75,  294, 48,  13, kTextDayLabel, nullptr, kNone},

  // Row headings.
  {&Form::Label1,        16,  86,  24,  13, kTextDate,          nullptr, kCentered | kSeeThrough},
  {&Form::Label2,        16,  149, 24,  13, kTextWeather,       nullptr, kNone},
  {&Form::Label3,        16,  181, 24,  13, kTextTemperature,   nullptr, kNone},
  {&Form::Label4,        16,  208, 24,  13, kTextWindDirection, nullptr, kNone},
  {&Form::Label5,        16,  237, 24,  13, kTextWindPower,     nullptr, kNone},

  // The day columns' pictures: fixed size, cut at their edges.
  {&Form::Imgravevuri1,  86,  110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgweathern1,  126, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgravevuri2,  194, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgweathern2,  234, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgravevuri3,  302, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgweathern3,  343, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgravevuri4,  410, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgweathern4,  451, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgravevuri5,  518, 110, 42,  30, nullptr, nullptr, kTransparent},
  {&Form::Imgweathern5,  559, 110, 42,  30, nullptr, nullptr, kTransparent},

  // The index block's pictures, sized to their bitmaps, and its other labels.
  {&Form::Image5,        10,  258, 64,  67, nullptr, nullptr, kStretch, nullptr, nullptr, L"IMAGE5"},
  {&Form::Image6,        10,  328, 64,  62, nullptr, nullptr, kStretch, nullptr, nullptr, L"IMAGE6"},
  {&Form::Image7,        213, 326, 65,  66, nullptr, nullptr, kStretch, nullptr, nullptr, L"IMAGE7"},
  {&Form::Image8,        418, 327, 64,  65, nullptr, nullptr, kStretch, nullptr, nullptr, L"IMAGE8"},
  {&Form::Image9,        10,  394, 65,  66, nullptr, nullptr, kStretch, nullptr, nullptr, L"IMAGE9"},
  {&Form::Image10,       213, 393, 64,  68, nullptr, nullptr, kStretch | kTransparent, nullptr,
   nullptr, L"IMAGE10"},
  {&Form::Lbluv1,        75,  334, 48,  13, kTextDayLabel, nullptr, kNone},
  {&Form::Lbluv2,        75,  366, 48,  13, kTextDayLabel, nullptr, kNone},
  {&Form::Lblcl,         284, 334, 48,  13, kTextDayLabel, nullptr, kNone},
  {&Form::Lblc0,         491, 334, 48,  13, kTextDayLabel, nullptr, kNone},
  {&Form::Lblls0,        75,  399, 48,  13, kTextDayLabel, nullptr, kNone},
  {&Form::Lbltr0,        280, 399, 48,  13, kTextDayLabel, nullptr, kNone},

  // The header.
  {&Form::LblCityName,   16,  8,   64,  32, kTextCity,      &kCityFont, kSeeThrough},
  {&Form::Lbldate,       424, 9,   26,  13, kTextDate,      nullptr,    kSeeThrough},
  {&Form::Lbldate_y,     424, 33,  39,  13, kTextLunarYear, nullptr,    kSeeThrough},
  {&Form::Lblweek,       529, 33,  26,  13, kTextWeek,      nullptr,    kSeeThrough},

  // Frames drawn over what the rows above painted.
  {&Form::Shape12,       8,   141, 65,  30, nullptr, nullptr, kNone},
  {&Form::Shape23,       8,   170, 65,  30, nullptr, nullptr, kNone},
  {&Form::Shape42,       414, 393, 204, 69, nullptr, nullptr, kNone},

  // Today's block.
  {&Form::Imgravevuri,   22,  45,  42,  30, nullptr,          nullptr,       kStretch | kTransparent,
   nullptr, nullptr, L"TODAYPICTURE"},
  {&Form::Lblweather,    184, 7,   40,  19, kTextWeather,     &kWeatherFont, kSeeThrough},
  {&Form::LblTemp,       184, 31,  40,  19, kTextTemperature, &kWeatherFont, kSeeThrough},
  {&Form::LblWind,       184, 55,  80,  19, kTextWindForce,   &kWeatherFont, kSeeThrough},
  {&Form::Imgweathern,   63,  45,  42,  30, nullptr,          nullptr,       kStretch | kTransparent,
   nullptr, nullptr, L"TODAYPICTURE"},

  // The location line and the publisher lines.
  {&Form::LblIPAddress,  8,   471, 80,  19, kTextWindForce,        &kWeatherFont, kSeeThrough},
  {&Form::Label7,        16,  496, 130, 13, kTextPublisher,        nullptr,       kNone},
  {&Form::Label8,        16,  512, 39,  13, kTextBlog,             nullptr,       kNone},
  {&Form::Label9,        16,  528, 39,  13, kTextMicroblog,        nullptr,       kNone},
  {&Form::Label10,       16,  544, 84,  13, kTextContact,          nullptr,       kNone},
  {&Form::Label11,       56,  512, 187, 13, kTextFirstWebAddress,  &kLinkFont,    kHandCursor,
   nullptr, nullptr, nullptr, kBlue, &Form::Label11Click},
  {&Form::Label12,       56,  528, 159, 13, kTextSecondWebAddress, &kLinkFont,    kHandCursor,
   nullptr, nullptr, nullptr, kBlue, &Form::Label11Click},
};
// clang-format on

// The day columns' controls, by forecast day.
constexpr std::array<Label * Form::*, 5> kDayDates{
    &Form::LblDate1, &Form::LblDate2, &Form::LblDate3, &Form::LblDate4, &Form::LblDate5};
constexpr std::array<Picture * Form::*, 5> kDayPictures{&Form::Imgravevuri1, &Form::Imgravevuri2,
                                                        &Form::Imgravevuri3, &Form::Imgravevuri4,
                                                        &Form::Imgravevuri5};
constexpr std::array<Picture * Form::*, 5> kNightPictures{&Form::Imgweathern1, &Form::Imgweathern2,
                                                          &Form::Imgweathern3, &Form::Imgweathern4,
                                                          &Form::Imgweathern5};
constexpr std::array<Label * Form::*, 5> kDayTemperatures{
    &Form::LblTemp1, &Form::LblTemp2, &Form::LblTemp3, &Form::LblTemp4, &Form::LblTemp5};
constexpr std::array<Label * Form::*, 5> kDaySkies{&Form::Lblweather1, &Form::Lblweather2,
                                                   &Form::Lblweather3, &Form::Lblweather4,
                                                   &Form::Lblweather5};
constexpr std::array<Label * Form::*, 5> kDayWinds{
    &Form::LblWind1, &Form::LblWind2, &Form::LblWind3, &Form::LblWind4, &Form::LblWind5};
constexpr std::array<Label * Form::*, 5> kDayForces{&Form::Lblfl1, &Form::Lblfl2, &Form::Lblfl3,
                                                    &Form::Lblfl4, &Form::Lblfl5};

class FullReportView final : public weather::ReportView {
 public:
  explicit FullReportView(Form& form) : form_(form) {}
  std::string SelectedCityCode() override {
    return form_.ComboBox1->CityCodeAt(form_.ComboBox1->ItemIndex());
  }
  void ShowReportText(const std::string& text) override { form_.Memo2->SetText(text); }
  void ReportParsed() override { form_.Memo1->Clear(); }
  void Display(const json::JsonNode& weatherinfo) override { form_.DisplayReport(weatherinfo); }

 private:
  Form& form_;
};

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

}  // namespace

TFmVozevezoVudi::TFmVozevezoVudi(HWND owner) {
  // WS_CAPTION: a title bar, through which the user closes the window.
  // WS_THICKFRAME: a sizable frame. WS_SYSMENU: the system menu and close box.
  // WS_MINIMIZEBOX, WS_MAXIMIZEBOX: the two boxes beside it.
  // WS_CLIPCHILDREN: the panels paint themselves; the form does not paint under them.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX |
                      WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&outer, style, FALSE, 0);
  CreateWindowHandle(L"TFmVozevezoVudi", 0, style, kDesignLeft, kDesignTop,
                     outer.right - outer.left, outer.bottom - outer.top, owner);
  const HFONT font = Fonts().Get(kWindowFont);

  panel2_ = std::make_unique<Panel>(*this, 0, 0, kClientWidth, kTopBarHeight, Bevel::kNone, 0);
  Panel2 = panel2_.get();
  ApplyLayout<Form>(*this, *Panel2, kWindowFont, kTopBarLayout, windows_);

  pageControl_ = std::make_unique<TabControl>(*this, 0, kTopBarHeight, kClientWidth,
                                              kClientHeight - kTopBarHeight, kTabStripHeight, font);
  cxPageControl1 = pageControl_.get();
  cxTabSheet1 = &cxPageControl1->AddPage(kTextFormattedPage);
  cxTabSheet2 = &cxPageControl1->AddPage(kTextSourcePage);
  cxPageControl1->SetPageIndex(0);
  const int pageHeight = kClientHeight - kTopBarHeight - kTabStripHeight;
  memo1_ = std::make_unique<Memo>(*cxTabSheet1, 0, 0, kClientWidth, pageHeight, kTextMemo, font);
  memo2_ = std::make_unique<Memo>(*cxTabSheet2, 0, 0, kClientWidth, pageHeight, kTextMemo, font);
  Memo1 = memo1_.get();
  Memo2 = memo2_.get();

  panel1_ = std::make_unique<Panel>(*this, 0, kTopBarHeight, kClientWidth,
                                    kClientHeight - kTopBarHeight, Bevel::kLowered, 4);
  Panel1 = panel1_.get();
  ApplyLayout<Form>(*this, *Panel1, kWindowFont, kForecastLayout, windows_);

  // A new child goes to the bottom of its siblings; stack them so that each
  // later one lies above the earlier ones.
  for (HWND child : {Panel2->Handle(), cxPageControl1->Handle(), Panel1->Handle()}) {
    ::SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  onClick = [this] { app::RunHandler([this] { FormCreate(); }); };
  app::RunHandler([this] { FormCreate(); });
}

TFmVozevezoVudi::~TFmVozevezoVudi() = default;

void TFmVozevezoVudi::FormCreate() {
  // Each step runs only when every step before it succeeded.
  const std::string page = weather::FetchLocationPage(app::CurrentServices().location);
  const std::string locationText = weather::CutLocationText(page);
  LblIPAddress->SetText(weather::LocationLine(locationText));
  ComboBox1->LoadCityCodes();
  ComboBox1->SetItemIndex(ComboBox1->FindExact(weather::LocatedCityName(locationText)));
  RunReport();
}

void TFmVozevezoVudi::RunReport() {
  FullReportView view(*this);
  weather::RunReport(
      [] { return app::CurrentServices().createReportRequest(); }, view,
      [](std::string_view cityCode) { return app::CurrentServices().reportUrl(cityCode); });
}

void TFmVozevezoVudi::DisplayReport(const json::JsonNode& weatherinfo) {
  using namespace weather;
  const LocalClock clock = SystemClock();
  for (int n = 1; n <= 5; ++n) {
    const size_t column = static_cast<size_t>(n - 1);
    (this->*kDayDates[column])->SetText(DayDateText(weatherinfo, n, clock));
    (this->*kDayPictures[column])->LoadFromFile(DayIconFile(weatherinfo, n));
    (this->*kNightPictures[column])->LoadFromFile(NightIconFile(weatherinfo, n));
    (this->*kDayTemperatures[column])->SetText(KeyText(weatherinfo, Numbered("temp", n)));
    // The day's weather is read but replaced at once by the words of its pictures.
    Label& sky = *(this->*kDaySkies[column]);
    sky.SetText(KeyText(weatherinfo, Numbered("weather", n)));
    sky.SetText(DaySkyText(weatherinfo, n));
    (this->*kDayWinds[column])->SetText(DayWindText(weatherinfo, n));
    (this->*kDayForces[column])->SetText(KeyText(weatherinfo, Numbered("fl", n)));
  }

  Lblchuanyi1->SetText(ClothingText24(weatherinfo));
  Lblchuanyi2->SetText(ClothingText48(weatherinfo));
  Lbluv1->SetText(UvText24(weatherinfo));
  Lbluv2->SetText(UvText48(weatherinfo));
  Lblcl->SetText(ExerciseText(weatherinfo));
  Lblc0->SetText(ComfortText(weatherinfo));
  Lblls0->SetText(DryingText(weatherinfo));
  Lbltr0->SetText(TravelText(weatherinfo));

  ShowHeader({*LblCityName, *Lbldate, *Lbldate_y, *Lblweek}, weatherinfo);
  ShowDay({*Imgravevuri, *Imgweathern, *LblTemp, *Lblweather, *LblWind}, weatherinfo, 1);
}

void TFmVozevezoVudi::ComboBox1Change() { RunReport(); }

void TFmVozevezoVudi::Button1Click() {
  TFmVazodivuDodiru compact(app::Application::Current().Handle());
  app::ShowModal(compact);
}

void TFmVozevezoVudi::Label11Click(const Label& sender) {
  app::CurrentServices().shellOpen(sender.Text());
}

void TFmVozevezoVudi::ArrangeChildren(int width, int height) {
  if (!Panel2 || !Panel1 || !cxPageControl1) return;
  const int below = std::max(height - kTopBarHeight, 0);
  ::MoveWindow(Panel2->Handle(), 0, 0, width, kTopBarHeight, TRUE);
  cxPageControl1->SetBounds(0, kTopBarHeight, width, below);
  const int pageHeight = std::max(below - kTabStripHeight, 0);
  ::MoveWindow(Memo1->Handle(), 0, 0, width, pageHeight, TRUE);
  ::MoveWindow(Memo2->Handle(), 0, 0, width, pageHeight, TRUE);
  ::MoveWindow(Panel1->Handle(), 0, kTopBarHeight, width, below, TRUE);
  // The bevel follows the panel's edge.
  ::InvalidateRect(Panel1->Handle(), nullptr, FALSE);
}

LRESULT TFmVozevezoVudi::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE && wParam != SIZE_MINIMIZED) {
    ArrangeChildren(LOWORD(lParam), HIWORD(lParam));
  }
  return ControlHost::HandleMessage(message, wParam, lParam);
}

}  // namespace ui
