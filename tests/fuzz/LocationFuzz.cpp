// Any page into the location cutter, and its text into the city name: the
// texts keep their shape whatever the page holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "weather/Location.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

constexpr std::string_view kResultMarker = "\xB2\xE9\xD1\xAF\xBD\xE1\xB9\xFB";  // 查询结果
constexpr std::size_t kWindowBytes = 254;
constexpr std::size_t kPieceEndBytes = 7;  // "</span>"

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  const std::string text = weather::CutLocationText(page);

  // Trimmed at both ends; bytes 80..FF stay.
  Check(text.empty() || (!IsControlOrBlank(text.front()) && !IsControlOrBlank(text.back())));
  // Each piece ends at its own "</span>", which is never copied, and brings
  // one line end: the text is never longer than the page, nor than the
  // window and a line end per "</span>" that fits in it.
  Check(text.size() <= page.size());
  Check(text.size() <= kWindowBytes + 2 * (kWindowBytes / kPieceEndBytes));
  if (page.find(kResultMarker) == std::string_view::npos) Check(text.empty());

  // The city name: what follows the first blank, cut before the first "市".
  const std::string city = weather::LocatedCityName(text);
  const auto blank = text.find(' ');
  const std::string_view afterBlank = blank == std::string::npos
                                          ? std::string_view(text)
                                          : std::string_view(text).substr(blank + 1);
  Check(afterBlank.substr(0, city.size()) == city);
  Check(city.find("\xCA\xD0") == std::string::npos);
  Check(city.size() == afterBlank.size() || afterBlank.substr(city.size(), 2) == "\xCA\xD0");

  Check(weather::LocationLine(text).ends_with(text));
  return 0;
}
