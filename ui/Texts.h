// The windows' own texts, as GBK bytes.
#pragma once

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
inline constexpr char kTextPublisher[] =
    "\xC7\xE7\xD3\xEA\xCC\xEC\xC6\xF8\xB9\xA4\xD7\xF7\xCA\xD2";  // 晴雨天气工作室
inline constexpr char kTextContact[] =
    "\xC1\xAA\xCF\xB5\xA3\xBA\x77\x65\x61\x74\x68\x65\x72\x40\x65\x78\x61\x6D\x70\x6C\x65\x2E\x63"
    "\x6F\x6D";  // 联系：weather@example.com
inline constexpr char kTextSimpleView[] = "\xBC\xF2\xBB\xAF\xB0\xE6";     // 简化版
inline constexpr char kTextFormattedPage[] = "\xB8\xF1\xCA\xBD\xBB\xAF";  // 格式化
inline constexpr char kTextSourcePage[] = "\xD4\xB4\xCA\xFD\xBE\xDD";     // 源数据
inline constexpr char kTextWindDirection[] = "\xB7\xE7\xCF\xF2";          // 风向
inline constexpr char kTextWindPower[] = "\xB7\xE7\xC1\xA6";              // 风力
inline constexpr char kTextFirstWebAddress[] = "http://weather.example.com/";
inline constexpr char kTextSecondWebAddress[] = "http://weibo.example.com/qingyu";
inline constexpr char kTextDayLabel[] = "LblDate1";
inline constexpr char kTextMemo[] = "Memo1";

}  // namespace ui
