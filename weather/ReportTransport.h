// The report request's transport: net's GET of the report URL, following
// redirects, within the request's limits (on Windows the platform's request
// object reaches the network through it).
#pragma once

#include <string_view>

#include "net/HttpClient.h"
#include "net/Socket.h"
#include "weather/FailureText.h"

namespace weather {

using net::HttpAnswer;
using net::HttpLimits;
using net::kSocketTimedOut;

// net::GetUrl with its failures in words: a failure of the network as
// SocketError, everything else as std::runtime_error with the text to show.
HttpAnswer HttpGetUrl(std::string_view url, const HttpLimits& limits = {},
                      std::string_view extraHeaders = {});

}  // namespace weather
