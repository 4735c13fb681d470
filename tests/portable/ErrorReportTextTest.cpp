// The error report's words: the title from the executable's path, the text
// from the failure's message.
#include <gtest/gtest.h>

#include "weather/ErrorReportText.h"

namespace {

TEST(ErrorReportTitle, FollowsTheExecutablesName) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\Program Files\\Weather\\WEATHER.EXE", "Weather"},
      {"C:\\a.b\\My.Prog.exe", "My"},
      {"weather.exe", "weather"},
      {"D:/tools/TianQi", "Tianqi"},
      {"C:\\x\\\xCC\xEC\xC6\xF8"
       "Ab.exe",
       "\xCC\xEC\xC6\xF8"
       "ab"},  // 天气Ab: GBK bytes untouched
  };
  for (const auto& c : cases) {
    EXPECT_EQ(weather::ApplicationTitleFromPath(c.path), c.title) << c.path;
  }
}

TEST(ErrorReportText, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"Invalid class typecast", "Invalid class typecast."},
      {"Already ends.", "Already ends."},
      {"Failed to set data for 'Rezodez'", "Failed to set data for 'Rezodez'"},
      {"List index out of bounds (3)", "List index out of bounds (3)"},
      {"Connection refused.", "Connection refused."},
      {"HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found."},
      {"ends in a digit 7", "ends in a digit 7."},
      {"\xC7\xE7", "\xC7\xE7."},  // a GBK character sorts after "."
  };
  for (const auto& c : cases) EXPECT_EQ(weather::ErrorReportText(c.message), c.shown) << c.message;
}

}  // namespace
