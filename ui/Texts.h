// The windows' own texts, as GBK bytes: those of ui/Texts.txt, the build
// settings' and the design names.
#pragma once

#include "BuildTexts.h"   // generated from the build settings
#include "ui/GbkTexts.h"  // generated from ui/Texts.txt

namespace ui {

// The publisher lines are build settings (PUBLISHER_NAME, PUBLISHER_CONTACT,
// FIRST_WEB_ADDRESS, SECOND_WEB_ADDRESS), by default 晴雨天气工作室,
// 联系：weather@example.com and the two addresses below.
inline constexpr char kTextPublisher[] = WEATHER_TEXT_PUBLISHER_NAME;
inline constexpr char kTextContact[] = WEATHER_TEXT_PUBLISHER_CONTACT;
inline constexpr char kTextFirstWebAddress[] =
    WEATHER_TEXT_FIRST_WEB_ADDRESS;  // http://weather.example.com/
inline constexpr char kTextSecondWebAddress[] =
    WEATHER_TEXT_SECOND_WEB_ADDRESS;  // http://weibo.example.com/qingyu
inline constexpr char kTextDayLabel[] = "LblDate1";
inline constexpr char kTextMemo[] = "Memo1";

// A weather picture's day, first to fifth, before its half and weather words.
inline constexpr const char* kTextForecastDays[] = {
    kTextToday, kTextTomorrow, kTextDayAfterTomorrow, kTextFourthDay, kTextFifthDay,
};

}  // namespace ui
