#include "ui/ReportForm.h"

#include <string>
#include <utility>
#include <vector>

#include "weather/IconFiles.h"
#include "weather/Location.h"
#include "weather/ReportItems.h"
#include "win/Dpi.h"
#include "win/Failure.h"

namespace ui {

const win::FontSpec kCityFont{L"\u6C49\u4EEA\u884C\u6977\u7E41" /* 汉仪行楷繁 */, 32, win::kBlue,
                              GB2312_CHARSET};
const win::FontSpec kLinkFont{L"MS Sans Serif", 11, win::kBlue, DEFAULT_CHARSET, true};

win::FontSpec WeatherFont(COLORREF color) {
  return {L"\u96B6\u4E66" /* 隶书 */, 19, color, GB2312_CHARSET};
}

void ReportForm::CreateForm(const wchar_t* className, DWORD exStyle, DWORD style,
                            const win::Bounds& design, HWND owner) {
  owner_ = owner;
  CreateWindowHandle(className, exStyle, style, design.left, design.top, design.width,
                     design.height, owner);
  // Designed at 96 dpi: placed and sized at the dpi of its monitor.
  SetDpi(win::DpiOf(Handle()));
  const RECT client = win::ScaledRect({0, 0, design.width, design.height}, Dpi());
  const RECT outer = win::OuterRect(client, style, exStyle, Dpi());
  ::SetWindowPos(Handle(), nullptr, win::Scale(design.left, Dpi()), win::Scale(design.top, Dpi()),
                 outer.right - outer.left, outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ReportForm::Start() {
  onClick = [this] { RunHandler([this] { FormCreate(); }); };
  RunHandler([this] { FormCreate(); });
}

void ReportForm::Label11Click(const win::Label& sender) { services_.shellOpen(sender.Text()); }

void ReportForm::RunReport() {
  weather::RunReport(services_.createReportRequest, *this, services_.reportUrl);
}

std::string ReportForm::SelectedCityCode() { return ComboBox1->CityCodeAt(ComboBox1->ItemIndex()); }

std::string ReportForm::LookUpLocation() const {
  return weather::CutLocationText(weather::FetchLocationPage(services_.location));
}

void ReportForm::ListCitiesAndSelect(const std::string& locationText) {
  ComboBox1->LoadCityCodes();
  ComboBox1->SetItemIndex(ComboBox1->FindExact(weather::LocatedCityName(locationText)));
}

void ReportForm::ShowHeader(const json::JsonNode& weatherinfo) {
  using weather::KeyText;
  using weather::StringText;
  LblCityName->SetText(KeyText(weatherinfo, "city"));
  Lbldate->SetText(KeyText(weatherinfo, "date"));
  Lbldate_y->SetText(KeyText(weatherinfo, "date_y"));
  Lblweek->SetText(KeyText(weatherinfo, "week"));
  Lbldate->SetText(StringText(weatherinfo, "date_y"));
  Lbldate_y->SetText(StringText(weatherinfo, "date"));
}

void ReportForm::ShowDay(const json::JsonNode& weatherinfo, int n, win::Picture& dayPicture,
                         win::Picture& nightPicture, win::Label& temperature, win::Label& weather,
                         win::Label& wind) {
  using weather::KeyText;
  const std::string day = std::to_string(n);
  ShowPicture(weatherinfo, n, false, dayPicture);
  ShowPicture(weatherinfo, n, true, nightPicture);
  temperature.SetText(KeyText(weatherinfo, "temp" + day));
  weather.SetText(KeyText(weatherinfo, "weather" + day));
  wind.SetText(KeyText(weatherinfo, "wind" + day));
}

void ReportForm::ShowPicture(const json::JsonNode& weatherinfo, int n, bool night,
                             win::Picture& picture) {
  picture.LoadFromFile(weather::IconFileLocation(night ? weather::NightIconFile(weatherinfo, n)
                                                       : weather::DayIconFile(weatherinfo, n)));
  std::string words = kTextForecastDays[n - 1];
  words += night ? kTextNight : kTextDaytime;
  const std::string title =
      weather::KeyText(weatherinfo, "img_title" + std::to_string(night ? 2 * n : 2 * n - 1));
  if (!title.empty()) words += ' ' + title;
  picture.SetWords(std::move(words));
}

std::vector<win::ReadingItem> ReportForm::PublisherReadingOrder() {
  using win::Role;
  return {{Label7}, {Label8}, {Label11, Role::kLink}, {Label9}, {Label12, Role::kLink}, {Label10}};
}

}  // namespace ui
