// The display items: texts and picture paths made from a report member.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "json/Json.h"

namespace weather {

// An "img" member that cannot be made an icon number (or is missing).
class IconNumberError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A calendar date on the local wall clock.
struct LocalDate {
  int year = 0;
  int month = 0;  // 1 ... 12
  int day = 0;    // 1 ... 31
};
using LocalClock = std::function<LocalDate()>;

// Today's date in the local time zone, read at each call.
LocalClock SystemClock();

// The three ways of reading a member of the report member. A missing member
// reads as the empty text for the two texts; for an icon number it is an
// IconNumberError naming the member.
std::string KeyText(const json::JsonNode& member, std::string_view name);
// Throws json::InvalidTypecast unless the member is a string.
std::string StringText(const json::JsonNode& member, std::string_view name);
// Numbers rounded half to even, true -1, false 0, strings as integer text.
int IconNumber(const json::JsonNode& member, std::string_view name);

// Integer text as the platform converts it: blanks around, optional sign,
// decimal digits or a "$"/"0x" hexadecimal number, 32 bits. Throws
// IconNumberError "'text' is not a valid integer value".
int IntegerFromText(std::string_view text);

// "YYYY年MM月DD日 " (GBK, trailing blank).
std::string FormatDayDate(const LocalDate& date);

// Forecast day n runs from 1 (the report's own day) to 5; other days throw
// std::out_of_range.
std::string DayDateText(const json::JsonNode& member, int n, const LocalClock& clock);
std::string DaySkyText(const json::JsonNode& member, int n);
std::string DayWindText(const json::JsonNode& member, int n);
std::string DayIconFile(const json::JsonNode& member, int n);
std::string NightIconFile(const json::JsonNode& member, int n);

std::string ClothingText24(const json::JsonNode& member);
std::string ClothingText48(const json::JsonNode& member);
std::string UvText24(const json::JsonNode& member);
std::string UvText48(const json::JsonNode& member);
std::string ExerciseText(const json::JsonNode& member);
std::string ComfortText(const json::JsonNode& member);
std::string DryingText(const json::JsonNode& member);
std::string TravelText(const json::JsonNode& member);

}  // namespace weather
