#include "weather/ReportItems.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "base/HexDigit.h"
#include "weather/GbkTexts.h"
#include "weather/IconFiles.h"

namespace weather {

namespace {

std::string Numbered(std::string_view prefix, int number) {
  std::string name(prefix);
  name += std::to_string(number);
  return name;
}

void CheckDay(int n) {
  if (n < 1 || n > 5)
    throw std::out_of_range("Forecast day out of range (" + std::to_string(n) + ")");
}

std::string Quoted(std::string_view name) {
  std::string text = "\"";
  text += name;
  text += '"';
  return text;
}

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

int RoundHalfToEven(double value, std::string_view name) {
  if (!std::isfinite(value)) throw IconNumberError("Invalid icon number in " + Quoted(name));
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole < -2147483648.0 || whole > 2147483647.0) {
    throw IconNumberError("Icon number in " + Quoted(name) + " is out of range");
  }
  return static_cast<int>(whole);
}

std::string IndexText(const char* caption, const json::JsonNode& member, std::string_view name) {
  return caption + KeyText(member, name);
}

}  // namespace

LocalClock SystemClock() {
  return [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  };
}

std::string KeyText(const json::JsonNode& member, std::string_view name) {
  const json::JsonNode* node = json::FindMember(member, name);
  return node != nullptr ? json::ValueText(*node) : std::string();
}

std::string StringText(const json::JsonNode& member, std::string_view name) {
  const json::JsonNode* node = json::FindMember(member, name);
  return node != nullptr ? json::StringText(*node) : std::string();
}

int IntegerFromText(std::string_view text) {
  const auto invalid = [text] {
    return IconNumberError("'" + std::string(text) + "' is not a valid integer value");
  };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  std::string_view s = text.substr(begin, end - begin);

  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) throw invalid();

  std::int64_t value = 0;
  if (s.front() == '$' || (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))) {
    // Hexadecimal fills all 32 bits: $FFFFFFFF is -1.
    s.remove_prefix(s.front() == '$' ? 1 : 2);
    if (s.empty() || s.size() > 8) throw invalid();
    std::uint32_t bits = 0;
    for (const char c : s) {
      const int digit = base::HexDigitValue(c);
      if (digit < 0) throw invalid();
      bits = bits * 16 + static_cast<std::uint32_t>(digit);
    }
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  for (const char c : s) {
    if (c < '0' || c > '9') throw invalid();
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) throw invalid();
  }
  if (negative) value = -value;
  if (value > 2147483647LL) throw invalid();
  return static_cast<int>(value);
}

int IconNumber(const json::JsonNode& member, std::string_view name) {
  const json::JsonNode* node = json::FindMember(member, name);
  if (node == nullptr) throw IconNumberError("Member " + Quoted(name) + " is missing");
  switch (json::NodeKind(*node)) {
    case json::jsNumber:
      return RoundHalfToEven(json::NumberValue(*node), name);
    case json::jsBoolean:
      return json::BooleanValue(*node) ? -1 : 0;
    case json::jsString:
      return IntegerFromText(json::ValueText(*node));
    default:
      throw IconNumberError("Invalid icon number in " + Quoted(name));
  }
}

std::string FormatDayDate(const LocalDate& date) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, kDayDateFormat, date.year, date.month, date.day);
  return buffer;
}

std::string DayDateText(const json::JsonNode& member, int n, const LocalClock& clock) {
  CheckDay(n);
  if (n == 1) return StringText(member, "date_y");
  using namespace std::chrono;
  const LocalDate today = clock();
  const year_month_day start{year{today.year}, month{static_cast<unsigned>(today.month)},
                             day{static_cast<unsigned>(today.day)}};
  const year_month_day shifted{sys_days{start} + days{n - 1}};
  return FormatDayDate(LocalDate{static_cast<int>(shifted.year()),
                                 static_cast<int>(static_cast<unsigned>(shifted.month())),
                                 static_cast<int>(static_cast<unsigned>(shifted.day()))});
}

std::string DaySkyText(const json::JsonNode& member, int n) {
  CheckDay(n);
  return KeyText(member, Numbered("img_title", 2 * n - 1)) + ' ' +
         KeyText(member, Numbered("img_title", 2 * n));
}

std::string DayWindText(const json::JsonNode& member, int n) {
  CheckDay(n);
  // Days 3 to 5 show the wind text even when the report has a direction for them.
  return KeyText(member, n <= 2 ? Numbered("fx", n) : Numbered("wind", n));
}

std::string DayIconFile(const json::JsonNode& member, int n) {
  CheckDay(n);
  return IconFilePath(IconNumber(member, Numbered("img", 2 * n - 1)), PictureKind::Day);
}

std::string NightIconFile(const json::JsonNode& member, int n) {
  CheckDay(n);
  return IconFilePath(IconNumber(member, Numbered("img", 2 * n)), PictureKind::Night);
}

std::string ClothingText24(const json::JsonNode& member) {
  return IndexText(kClothing24, member, "index") + '\r' + KeyText(member, "index_d");
}

std::string ClothingText48(const json::JsonNode& member) {
  return IndexText(kClothing48, member, "index48") + '\r' + KeyText(member, "index48_d");
}

std::string UvText24(const json::JsonNode& member) { return IndexText(kUv24, member, "index_uv"); }

std::string UvText48(const json::JsonNode& member) {
  return IndexText(kUv48, member, "index48_uv");
}

std::string ExerciseText(const json::JsonNode& member) {
  return IndexText(kExercise, member, "index_cl");
}

std::string ComfortText(const json::JsonNode& member) {
  return IndexText(kComfort, member, "index_co");
}

std::string DryingText(const json::JsonNode& member) {
  return IndexText(kDrying, member, "index_ls");
}

std::string TravelText(const json::JsonNode& member) {
  return IndexText(kTravel, member, "index_tr");
}

}  // namespace weather
