#include "ui/ReportDisplay.h"

#include <string>

#include "weather/ReportItems.h"

namespace ui {

void ShowHeader(const HeaderControls& controls, const json::JsonNode& weatherinfo) {
  using weather::KeyText;
  using weather::StringText;
  controls.city.SetText(KeyText(weatherinfo, "city"));
  // Read once more below as string texts; these first reads show only when
  // the string read fails.
  controls.date.SetText(KeyText(weatherinfo, "date"));
  controls.dateLine.SetText(KeyText(weatherinfo, "date_y"));
  controls.week.SetText(KeyText(weatherinfo, "week"));
  controls.date.SetText(StringText(weatherinfo, "date_y"));
  controls.dateLine.SetText(StringText(weatherinfo, "date"));
}

void ShowDay(const DayControls& controls, const json::JsonNode& weatherinfo, int n) {
  using weather::KeyText;
  const std::string day = std::to_string(n);
  controls.dayPicture.LoadFromFile(weather::DayIconFile(weatherinfo, n));
  controls.nightPicture.LoadFromFile(weather::NightIconFile(weatherinfo, n));
  controls.temperature.SetText(KeyText(weatherinfo, "temp" + day));
  controls.weather.SetText(KeyText(weatherinfo, "weather" + day));
  controls.wind.SetText(KeyText(weatherinfo, "wind" + day));
}

}  // namespace ui
