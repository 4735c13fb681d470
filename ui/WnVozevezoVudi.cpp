#include "ui/WnVozevezoVudi.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "app/Application.h"
#include "ui/Texts.h"
#include "ui/WnVazodivuDodiru.h"
#include "weather/Location.h"
#include "weather/ReportItems.h"
#include "win/Layout.h"

namespace ui {
namespace {

using Form = TFmVozevezoVudi;
using Row = win::LayoutRow<Form>;
using win::Label;
using win::Picture;
using enum win::Look;

const win::FontSpec kWindowFont{L"MS Sans Serif", 11, win::WindowTextColor(), DEFAULT_CHARSET};
const win::FontSpec kWeatherFont = WeatherFont(win::kBlue);

constexpr win::Look kDayLabel = kFixedSize | kCentered | kSeeThrough;

// clang-format off
const Row kTopBarLayout[] = {
    {.control = &Form::Label6, .at = {8, 9, 48, 13}, .text = kTextOtherCities},
    // Child windows, in tab order.
    {.control = &Form::ComboBox1, .at = {88, 4, 145, 21}, .text = kTextDesignCity, .onClick = &Form::ComboBox1Change},
    {.control = &Form::Button1, .at = {272, 0, 75, 25}, .text = kTextSimpleView, .onClick = &Form::Button1Click},
};
// clang-format on

// In painting order: a later row covers an earlier one.
// clang-format off
const Row kForecastLayout[] = {
    // The day table's frames (Shape12 and Shape23 come later), then the index block's.
    {.control = &Form::Shape1, .at = {8, 78, 65, 64}},
    {.control = &Form::Shape2, .at = {72, 78, 110, 25}},
    {.control = &Form::Shape3, .at = {181, 78, 110, 25}},
    {.control = &Form::Shape4, .at = {181, 102, 110, 40}},
    {.control = &Form::Shape5, .at = {290, 78, 110, 25}},
    {.control = &Form::Shape6, .at = {290, 102, 110, 40}},
    {.control = &Form::Shape7, .at = {72, 102, 110, 40}},
    {.control = &Form::Shape8, .at = {399, 78, 110, 25}},
    {.control = &Form::Shape9, .at = {399, 102, 110, 40}},
    {.control = &Form::Shape10, .at = {508, 78, 110, 25}},
    {.control = &Form::Shape11, .at = {508, 102, 110, 40}},
    {.control = &Form::Shape13, .at = {72, 141, 110, 30}},
    {.control = &Form::Shape14, .at = {181, 141, 110, 30}},
    {.control = &Form::Shape15, .at = {290, 141, 110, 30}},
    {.control = &Form::Shape16, .at = {399, 141, 110, 30}},
    {.control = &Form::Shape17, .at = {508, 141, 110, 30}},
    {.control = &Form::Shape18, .at = {508, 170, 110, 30}},
    {.control = &Form::Shape19, .at = {399, 170, 110, 30}},
    {.control = &Form::Shape20, .at = {290, 170, 110, 30}},
    {.control = &Form::Shape21, .at = {181, 170, 110, 30}},
    {.control = &Form::Shape22, .at = {72, 170, 110, 30}},
    {.control = &Form::Shape24, .at = {508, 199, 110, 30}},
    {.control = &Form::Shape25, .at = {399, 199, 110, 30}},
    {.control = &Form::Shape26, .at = {290, 199, 110, 30}},
    {.control = &Form::Shape27, .at = {181, 199, 110, 30}},
    {.control = &Form::Shape28, .at = {72, 199, 110, 30}},
    {.control = &Form::Shape29, .at = {8, 199, 65, 30}},
    {.control = &Form::Shape30, .at = {508, 228, 110, 30}},
    {.control = &Form::Shape31, .at = {399, 228, 110, 30}},
    {.control = &Form::Shape32, .at = {290, 228, 110, 30}},
    {.control = &Form::Shape33, .at = {181, 228, 110, 30}},
    {.control = &Form::Shape34, .at = {72, 228, 110, 30}},
    {.control = &Form::Shape35, .at = {8, 228, 65, 30}},
    {.control = &Form::Shape36, .at = {8, 257, 610, 69}},
    {.control = &Form::Shape37, .at = {8, 325, 204, 69}},
    {.control = &Form::Shape38, .at = {211, 325, 204, 69}},
    {.control = &Form::Shape39, .at = {414, 325, 204, 69}},
    {.control = &Form::Shape40, .at = {8, 393, 204, 69}},
    {.control = &Form::Shape41, .at = {211, 393, 204, 69}},

    // The day columns' labels: fixed size, centred, see-through.
    {.control = &Form::LblDate1, .at = {72, 86, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblweather1, .at = {72, 149, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblTemp1, .at = {72, 181, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblWind1, .at = {72, 208, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblfl1, .at = {72, 237, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblDate2, .at = {181, 86, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblweather2, .at = {181, 149, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblTemp2, .at = {181, 181, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblWind2, .at = {181, 208, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblfl2, .at = {181, 237, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblDate3, .at = {290, 86, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblweather3, .at = {290, 149, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblTemp3, .at = {290, 181, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblWind3, .at = {290, 208, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblfl3, .at = {290, 237, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblDate4, .at = {399, 86, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblweather4, .at = {399, 149, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblTemp4, .at = {399, 181, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblWind4, .at = {399, 208, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblfl4, .at = {399, 237, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblDate5, .at = {508, 86, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblweather5, .at = {508, 150, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblTemp5, .at = {508, 182, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::LblWind5, .at = {508, 208, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},
    {.control = &Form::Lblfl5, .at = {508, 237, 110, 13}, .text = kTextDayLabel, .look = kDayLabel},

    // The clothing labels, opaque and sized to their text.
    {.control = &Form::Lblchuanyi1, .at = {75, 267, 48, 13}, .text = kTextDayLabel},
    {.control = &Form::Lblchuanyi2, .at = {75, 294, 48, 13}, .text = kTextDayLabel},

    // Row headings.
    {.control = &Form::Label1, .at = {16, 86, 24, 13}, .text = kTextDate, .look = kCentered | kSeeThrough},
    {.control = &Form::Label2, .at = {16, 149, 24, 13}, .text = kTextWeather},
    {.control = &Form::Label3, .at = {16, 181, 24, 13}, .text = kTextTemperature},
    {.control = &Form::Label4, .at = {16, 208, 24, 13}, .text = kTextWindDirection},
    {.control = &Form::Label5, .at = {16, 237, 24, 13}, .text = kTextWindPower},

    // The day columns' pictures: fixed size, cut at their edges.
    {.control = &Form::Imgravevuri1, .at = {86, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgweathern1, .at = {126, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgravevuri2, .at = {194, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgweathern2, .at = {234, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgravevuri3, .at = {302, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgweathern3, .at = {343, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgravevuri4, .at = {410, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgweathern4, .at = {451, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgravevuri5, .at = {518, 110, 42, 30}, .look = kTransparent},
    {.control = &Form::Imgweathern5, .at = {559, 110, 42, 30}, .look = kTransparent},

    // The index block's pictures, sized to their bitmaps, and its other labels.
    {.control = &Form::Image5, .at = {10, 258, 64, 67}, .look = kStretch, .bitmap = L"IMAGE5"},
    {.control = &Form::Image6, .at = {10, 328, 64, 62}, .look = kStretch, .bitmap = L"IMAGE6"},
    {.control = &Form::Image7, .at = {213, 326, 65, 66}, .look = kStretch, .bitmap = L"IMAGE7"},
    {.control = &Form::Image8, .at = {418, 327, 64, 65}, .look = kStretch, .bitmap = L"IMAGE8"},
    {.control = &Form::Image9, .at = {10, 394, 65, 66}, .look = kStretch, .bitmap = L"IMAGE9"},
    {.control = &Form::Image10, .at = {213, 393, 64, 68}, .look = kStretch | kTransparent, .bitmap = L"IMAGE10"},
    {.control = &Form::Lbluv1, .at = {75, 334, 48, 13}, .text = kTextDayLabel},
    {.control = &Form::Lbluv2, .at = {75, 366, 48, 13}, .text = kTextDayLabel},
    {.control = &Form::Lblcl, .at = {284, 334, 48, 13}, .text = kTextDayLabel},
    {.control = &Form::Lblc0, .at = {491, 334, 48, 13}, .text = kTextDayLabel},
    {.control = &Form::Lblls0, .at = {75, 399, 48, 13}, .text = kTextDayLabel},
    {.control = &Form::Lbltr0, .at = {280, 399, 48, 13}, .text = kTextDayLabel},

    // The header.
    {.control = &Form::LblCityName, .at = {16, 8, 64, 32}, .text = kTextCity, .font = &kCityFont, .look = kSeeThrough},
    {.control = &Form::Lbldate, .at = {424, 9, 26, 13}, .text = kTextDate, .look = kSeeThrough},
    {.control = &Form::Lbldate_y, .at = {424, 33, 39, 13}, .text = kTextLunarYear, .look = kSeeThrough},
    {.control = &Form::Lblweek, .at = {529, 33, 26, 13}, .text = kTextWeek, .look = kSeeThrough},

    // Frames drawn over what the rows above painted.
    {.control = &Form::Shape12, .at = {8, 141, 65, 30}},
    {.control = &Form::Shape23, .at = {8, 170, 65, 30}},
    {.control = &Form::Shape42, .at = {414, 393, 204, 69}},

    // Today's block.
    {.control = &Form::Imgravevuri, .at = {22, 45, 42, 30}, .look = kStretch | kTransparent, .bitmap = L"TODAYPICTURE"},
    {.control = &Form::Lblweather, .at = {184, 7, 40, 19}, .text = kTextWeather, .font = &kWeatherFont, .look = kSeeThrough},
    {.control = &Form::LblTemp, .at = {184, 31, 40, 19}, .text = kTextTemperature, .font = &kWeatherFont, .look = kSeeThrough},
    {.control = &Form::LblWind, .at = {184, 55, 80, 19}, .text = kTextWindForce, .font = &kWeatherFont, .look = kSeeThrough},
    {.control = &Form::Imgweathern, .at = {63, 45, 42, 30}, .look = kStretch | kTransparent, .bitmap = L"TODAYPICTURE"},

    // The location line; the publisher lines follow it.
    {.control = &Form::LblIPAddress, .at = {8, 471, 80, 19}, .text = kTextWindForce, .font = &kWeatherFont, .look = kSeeThrough},
};
// clang-format on

constexpr auto kPublisherLayout = PublisherRows<Form>(496);

// The day table's columns, by forecast day.
struct DayColumnMembers {
  Label* Form::*date;
  Picture* Form::*dayPicture;
  Picture* Form::*nightPicture;
  Label* Form::*sky;
  Label* Form::*temperature;
  Label* Form::*wind;
  Label* Form::*force;
};
// clang-format off
constexpr std::array<DayColumnMembers, 5> kDayColumns{{
    {&Form::LblDate1, &Form::Imgravevuri1, &Form::Imgweathern1, &Form::Lblweather1, &Form::LblTemp1, &Form::LblWind1, &Form::Lblfl1},
    {&Form::LblDate2, &Form::Imgravevuri2, &Form::Imgweathern2, &Form::Lblweather2, &Form::LblTemp2, &Form::LblWind2, &Form::Lblfl2},
    {&Form::LblDate3, &Form::Imgravevuri3, &Form::Imgweathern3, &Form::Lblweather3, &Form::LblTemp3, &Form::LblWind3, &Form::Lblfl3},
    {&Form::LblDate4, &Form::Imgravevuri4, &Form::Imgweathern4, &Form::Lblweather4, &Form::LblTemp4, &Form::LblWind4, &Form::Lblfl4},
    {&Form::LblDate5, &Form::Imgravevuri5, &Form::Imgweathern5, &Form::Lblweather5, &Form::LblTemp5, &Form::LblWind5, &Form::Lblfl5},
}};
// clang-format on

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

}  // namespace

TFmVozevezoVudi::TFmVozevezoVudi(const app::Services& services, HWND owner)
    : ReportForm(services, win::TextEdges::kDesktop) {
  // WS_CAPTION: a title bar, through which the user closes the window.
  // WS_THICKFRAME: a sizable frame. WS_SYSMENU: the system menu and close box.
  // WS_MINIMIZEBOX, WS_MAXIMIZEBOX: the two boxes beside it.
  // WS_CLIPCHILDREN: the panels paint themselves; the form does not paint under them.
  CreateForm(L"TFmVozevezoVudi", 0,
             WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX |
                 WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
             {kDesignLeft, kDesignTop, kClientWidth, kClientHeight}, owner);
  const RECT client = win::ScaledRect({0, 0, kClientWidth, kClientHeight}, Dpi());
  const int topBar = win::Scale(kTopBarHeight, Dpi());

  Panel2 = &AddPanel(0, 0, client.right, topBar, win::Bevel::kNone, 0);
  win::ApplyLayout<Form>(*this, *Panel2, kWindowFont, kTopBarLayout);

  cxPageControl1 = &AddWindowed<win::TabControl>(
      win::Bounds{0, kTopBarHeight, kClientWidth, kClientHeight - kTopBarHeight}, kTabStripHeight,
      kWindowFont);
  cxTabSheet1 = &cxPageControl1->AddPage(kTextFormattedPage);
  cxTabSheet2 = &cxPageControl1->AddPage(kTextSourcePage);
  cxPageControl1->SetPageIndex(0);
  const win::Bounds page{0, 0, kClientWidth, kClientHeight - kTopBarHeight - kTabStripHeight};
  Memo1 = &cxTabSheet1->AddWindowed<win::Memo>(page, kTextMemo, kWindowFont);
  Memo2 = &cxTabSheet2->AddWindowed<win::Memo>(page, kTextMemo, kWindowFont);

  Panel1 = &AddPanel(0, topBar, client.right, client.bottom - topBar, win::Bevel::kLowered, 4);
  win::ApplyLayout<Form>(*this, *Panel1, kWindowFont, kForecastLayout);
  win::ApplyLayout<Form>(*this, *Panel1, kWindowFont, kPublisherLayout);

  // A new child goes to the bottom of its siblings; stack them so that each
  // later one lies above the earlier ones.
  for (HWND child : {Panel2->Handle(), cxPageControl1->Handle(), Panel1->Handle()}) {
    ::SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  SetReadingOrders();
  Start();
}

TFmVozevezoVudi::DayColumn TFmVozevezoVudi::Day(int n) const {
  const DayColumnMembers& column = kDayColumns.at(static_cast<size_t>(n - 1));
  return {this->*column.date, this->*column.dayPicture,  this->*column.nightPicture,
          this->*column.sky,  this->*column.temperature, this->*column.wind,
          this->*column.force};
}

void TFmVozevezoVudi::SetReadingOrders() {
  using win::ReadingItem;
  using win::Role;
  // The top bar, the forecast panel, then the tab control it covers.
  SetReadingOrder({{.window = Panel2->Handle()},
                   {.window = Panel1->Handle()},
                   {.window = cxPageControl1->Handle()}});
  Panel2->SetReadingOrder({{Label6},
                           {.name = kTextOtherCities, .window = ComboBox1->Handle()},
                           {.window = Button1->Handle()}});
  cxTabSheet1->SetReadingOrder({{.name = kTextFormattedPage, .window = Memo1->Handle()}});
  cxTabSheet2->SetReadingOrder({{.name = kTextSourcePage, .window = Memo2->Handle()}});

  // Top to bottom, left to right: today's block and the dates, the day table
  // row by row, the indexes, the location and the publisher lines. Frames
  // and the indexes' pictograms are decoration and are not read.
  std::vector<ReadingItem> order{
      {LblCityName},
      {Imgravevuri, Role::kGraphic},
      {Imgweathern, Role::kGraphic},
      {Lblweather},
      {LblTemp},
      {LblWind},
      {Lbldate},
      {Lbldate_y},
      {Lblweek},
  };
  const auto row = [&](Label* heading, Label* DayColumn::*cell) {
    order.push_back({heading});
    for (int n = 1; n <= 5; ++n) order.push_back({Day(n).*cell});
  };
  row(Label1, &DayColumn::date);
  for (int n = 1; n <= 5; ++n) {
    order.push_back({Day(n).dayPicture, Role::kGraphic});
    order.push_back({Day(n).nightPicture, Role::kGraphic});
  }
  row(Label2, &DayColumn::sky);
  row(Label3, &DayColumn::temperature);
  row(Label4, &DayColumn::wind);
  row(Label5, &DayColumn::force);
  for (Label* index : {Lblchuanyi1, Lblchuanyi2, Lbluv1, Lbluv2, Lblcl, Lblc0, Lblls0, Lbltr0}) {
    order.push_back({index});
  }
  order.push_back({LblIPAddress});
  for (const ReadingItem& item : PublisherReadingOrder()) order.push_back(item);
  Panel1->SetReadingOrder(std::move(order));
}

void TFmVozevezoVudi::FormCreate() {
  const std::string locationText = LookUpLocation();
  LblIPAddress->SetText(weather::LocationLine(locationText));
  ListCitiesAndSelect(locationText);
  RunReport();
}

void TFmVozevezoVudi::ShowReportText(const std::string& text) { Memo2->SetText(text); }

void TFmVozevezoVudi::ReportParsed() { Memo1->Clear(); }

void TFmVozevezoVudi::Display(const json::JsonNode& weatherinfo) {
  using namespace weather;
  const LocalClock& clock = Services().clock;
  for (int n = 1; n <= 5; ++n) {
    const DayColumn column = Day(n);
    column.date->SetText(DayDateText(weatherinfo, n, clock));
    ShowPicture(weatherinfo, n, false, *column.dayPicture);
    ShowPicture(weatherinfo, n, true, *column.nightPicture);
    column.temperature->SetText(KeyText(weatherinfo, Numbered("temp", n)));
    // The day's weather is read but replaced at once by the words of its pictures.
    column.sky->SetText(KeyText(weatherinfo, Numbered("weather", n)));
    column.sky->SetText(DaySkyText(weatherinfo, n));
    column.wind->SetText(DayWindText(weatherinfo, n));
    column.force->SetText(KeyText(weatherinfo, Numbered("fl", n)));
  }

  Lblchuanyi1->SetText(ClothingText24(weatherinfo));
  Lblchuanyi2->SetText(ClothingText48(weatherinfo));
  Lbluv1->SetText(UvText24(weatherinfo));
  Lbluv2->SetText(UvText48(weatherinfo));
  Lblcl->SetText(ExerciseText(weatherinfo));
  Lblc0->SetText(ComfortText(weatherinfo));
  Lblls0->SetText(DryingText(weatherinfo));
  Lbltr0->SetText(TravelText(weatherinfo));

  ShowHeader(weatherinfo);
  ShowDay(weatherinfo, 1, *Imgravevuri, *Imgweathern, *LblTemp, *Lblweather, *LblWind);
}

void TFmVozevezoVudi::ComboBox1Change() { RunReport(); }

void TFmVozevezoVudi::Button1Click() {
  TFmVazodivuDodiru compact(Services(), Owner());
  app::ShowModal(compact);
}

void TFmVozevezoVudi::OnResize(int width, int height) {
  if (!Panel2 || !Panel1 || !cxPageControl1) return;  // still being built
  const int topBar = win::Scale(kTopBarHeight, Dpi());
  const int below = std::max(height - topBar, 0);
  ::MoveWindow(Panel2->Handle(), 0, 0, width, topBar, TRUE);
  cxPageControl1->SetBounds(0, topBar, width, below);
  const int pageHeight = std::max(below - win::Scale(kTabStripHeight, Dpi()), 0);
  ::MoveWindow(Memo1->Handle(), 0, 0, width, pageHeight, TRUE);
  ::MoveWindow(Memo2->Handle(), 0, 0, width, pageHeight, TRUE);
  ::MoveWindow(Panel1->Handle(), 0, topBar, width, below, TRUE);
  // The bevel follows the panel's edge.
  ::InvalidateRect(Panel1->Handle(), nullptr, FALSE);
}

}  // namespace ui
