// Display steps both windows share: the header (city, dates, week day) and one
// day's block (day and night picture, temperature, weather, wind). Each
// control is set as soon as its item is made, so a failing item leaves the
// controls before it new and those after it old.
#pragma once

#include "json/Json.h"
#include "ui/Controls.h"

namespace ui {

struct HeaderControls {
  Label& city;
  Label& date;      // shows "date_y"
  Label& dateLine;  // shows "date"
  Label& week;
};

struct DayControls {
  Picture& dayPicture;
  Picture& nightPicture;
  Label& temperature;
  Label& weather;
  Label& wind;
};

void ShowHeader(const HeaderControls& controls, const json::JsonNode& weatherinfo);

// Day n's pictures and its "temp", "weather" and "wind" members.
void ShowDay(const DayControls& controls, const json::JsonNode& weatherinfo, int n);

}  // namespace ui
