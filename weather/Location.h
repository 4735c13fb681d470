// Guessing the user's city from the IP-location page: fetch it, cut the
// location text out of its bytes, and take the city name from that text.
#pragma once

#include <string>
#include <string_view>

#include "net/HttpClient.h"

namespace weather {

using net::HttpEndpoint;
using net::HttpLimits;

// The location page's host and port as the build names them.
HttpEndpoint LocationEndpoint();

// One GET of "/" at the endpoint over a new connection, within the limits:
// the body of a 2xx answer as raw bytes. Throws with the text to show.
std::string FetchLocationPage(const HttpEndpoint& endpoint = LocationEndpoint(),
                              const HttpLimits& limits = {});

// The location text: the pieces after the result marker within 254 bytes,
// "&nbsp;" removed, cut after the first "-", trimmed. Never fails.
std::string CutLocationText(std::string_view page);

// The part after the first blank, cut before the first "市"; may be empty.
std::string LocatedCityName(std::string_view locationText);

// "您所在地:" followed by the location text.
std::string LocationLine(std::string_view locationText);

}  // namespace weather
