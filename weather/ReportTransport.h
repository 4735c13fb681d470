// The report request's transport: net's GET of the report URL, following
// redirects, within the request's limits (Windows: the platform's request
// object reaches the network through it).
#pragma once

#include "net/HttpGet.h"
#include "net/Socket.h"

namespace weather {

using net::HttpAnswer;
using net::HttpGetUrl;
using net::HttpLimits;
using net::kSocketTimedOut;
using net::SocketError;

}  // namespace weather
