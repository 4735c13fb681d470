#include "weather/Location.h"

#include <algorithm>
#include <stdexcept>

#include "net/Socket.h"
#include "weather/FailureText.h"
#include "weather/GbkTexts.h"

namespace weather {
namespace {

constexpr std::string_view kPieceEnd = "</span>";
constexpr std::string_view kNbsp = "&nbsp;";
constexpr std::size_t kResultWindowBytes = 254;

// One left-to-right pass: joints that form a new "&nbsp;" stay.
std::string WithoutNbsp(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (;;) {
    const auto found = text.find(kNbsp);
    result.append(text.substr(0, found));
    if (found == std::string_view::npos) return result;
    text.remove_prefix(found + kNbsp.size());
  }
}

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

HttpEndpoint LocationEndpoint() { return {WEATHER_LOCATION_HOST, WEATHER_LOCATION_PORT}; }

std::string FetchLocationPage(const HttpEndpoint& endpoint, const HttpLimits& limits) {
  try {
    return net::HttpGetRootPage(endpoint, limits);
  } catch (const net::HttpFailure& failure) {
    throw std::runtime_error(FailureText(failure));
  } catch (const net::SocketError& error) {
    throw SocketError(error.Code());
  }
}

std::string CutLocationText(std::string_view page) {
  auto start = page.find(kResultMarker);
  if (start == std::string_view::npos) start = 0;
  std::string_view window = page.substr(start, kResultWindowBytes);

  std::string gathered;
  for (;;) {
    const auto marker = window.find(kResultMarker);
    if (marker == std::string_view::npos) break;
    const auto end = window.find(kPieceEnd);
    // A marker with no "</span>" left would never be consumed: stop there.
    if (end == std::string_view::npos) break;
    if (end > marker) gathered.append(window.substr(marker, end - marker));
    gathered += "\r\n";
    // Only the "<" goes; "/span>" stays at the front.
    window.remove_prefix(end + 1);
  }

  std::string text = WithoutNbsp(gathered);
  if (const auto dash = text.find('-'); dash != std::string::npos) text.erase(0, dash + 1);
  const auto first = std::find_if_not(text.begin(), text.end(), IsControlOrBlank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), IsControlOrBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

std::string LocatedCityName(std::string_view locationText) {
  std::string_view name = locationText;
  if (const auto blank = name.find(' '); blank != std::string_view::npos) {
    name.remove_prefix(blank + 1);
  }
  return std::string(name.substr(0, name.find(kCitySuffix)));
}

std::string LocationLine(std::string_view locationText) {
  std::string line(kLocationPrefix);
  line += locationText;
  return line;
}

}  // namespace weather
