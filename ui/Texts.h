// The windows' own texts, as GBK bytes.
#pragma once

#include "BuildTexts.h"  // generated from the build settings

namespace ui {

inline constexpr char kTextTomorrow[] = "\xC3\xF7\xCC\xEC";                     // 明天
inline constexpr char kTextCity[] = "\xB3\xC7\xCA\xD0";                         // 城市
inline constexpr char kTextWeather[] = "\xCC\xEC\xC6\xF8";                      // 天气
inline constexpr char kTextTemperature[] = "\xCE\xC2\xB6\xC8";                  // 温度
inline constexpr char kTextWindForce[] = "\xB7\xEF\xC1\xA6\xB7\xE7\xCF\xF2";    // 凤力风向
inline constexpr char kTextBlog[] = "\xB2\xA9\xBF\xCD\xA3\xBA";                 // 博客：
inline constexpr char kTextMicroblog[] = "\xCE\xA2\xB2\xA9\xA3\xBA";            // 微博：
inline constexpr char kTextOtherCities[] = "\xC6\xE4\xCB\xFC\xB3\xC7\xCA\xD0";  // 其它城市
inline constexpr char kTextDate[] = "\xC8\xD5\xC6\xDA";                         // 日期
inline constexpr char kTextLunarYear[] = "\xC5\xA9\xCE\xF1\xC4\xEA";            // 农务年
inline constexpr char kTextWeek[] = "\xD0\xC7\xC6\xDA";                         // 星期
inline constexpr char kTextDesignCity[] =
    "\xC0\xA5\xC3\xF7\x3D\x31\x30\x31\x32\x39\x30\x31\x30\x31";  // 昆明=101290101
// The publisher lines are build settings (PUBLISHER_NAME, PUBLISHER_CONTACT,
// FIRST_WEB_ADDRESS, SECOND_WEB_ADDRESS), by default 晴雨天气工作室,
// 联系：weather@example.com and the two addresses below.
inline constexpr char kTextPublisher[] = WEATHER_TEXT_PUBLISHER_NAME;
inline constexpr char kTextContact[] = WEATHER_TEXT_PUBLISHER_CONTACT;
inline constexpr char kTextSimpleView[] = "\xBC\xF2\xBB\xAF\xB0\xE6";     // 简化版
inline constexpr char kTextFormattedPage[] = "\xB8\xF1\xCA\xBD\xBB\xAF";  // 格式化
inline constexpr char kTextSourcePage[] = "\xD4\xB4\xCA\xFD\xBE\xDD";     // 源数据
inline constexpr char kTextWindDirection[] = "\xB7\xE7\xCF\xF2";          // 风向
inline constexpr char kTextWindPower[] = "\xB7\xE7\xC1\xA6";              // 风力
inline constexpr char kTextFirstWebAddress[] =
    WEATHER_TEXT_FIRST_WEB_ADDRESS;  // http://weather.example.com/
inline constexpr char kTextSecondWebAddress[] =
    WEATHER_TEXT_SECOND_WEB_ADDRESS;  // http://weibo.example.com/qingyu
inline constexpr char kTextDayLabel[] = "LblDate1";
inline constexpr char kTextMemo[] = "Memo1";

// What the compact window's pictures do, for screen readers.
inline constexpr char kTextMoveWindow[] = "\xD2\xC6\xB6\xAF\xB4\xB0\xBF\xDA";  // 移动窗口
inline constexpr char kTextSettings[] = "\xC9\xE8\xD6\xC3";                    // 设置
inline constexpr char kTextClose[] = "\xB9\xD8\xB1\xD5";                       // 关闭
inline constexpr char kTextOpenFullWindow[] =
    "\xB4\xF2\xBF\xAA\xCD\xEA\xD5\xFB\xB4\xB0\xBF\xDA";  // 打开完整窗口
// A weather picture's day and half, before its weather words.
inline constexpr const char* kTextForecastDays[] = {
    "\xBD\xF1\xCC\xEC",          // 今天
    "\xC3\xF7\xCC\xEC",          // 明天
    "\xBA\xF3\xCC\xEC",          // 后天
    "\xB5\xDA\xCB\xC4\xCC\xEC",  // 第四天
    "\xB5\xDA\xCE\xE5\xCC\xEC",  // 第五天
};
inline constexpr char kTextDaytime[] = "\xB0\xD7\xCC\xEC";  // 白天
inline constexpr char kTextNight[] = "\xD2\xB9\xBC\xE4";    // 夜间

}  // namespace ui
