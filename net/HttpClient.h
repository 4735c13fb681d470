// Minimal HTTP/1.1 GETs over fresh TCP connections, within the deadlines of
// HttpLimits: "/" of the location page, and a URL with its redirects (the
// transport behind the report request). The answer itself is read by
// HttpResponseParser (net/HttpAnswer.h).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "net/HttpAnswer.h"

namespace net {

struct HttpEndpoint {
  std::string host;
  int port = 80;
};

// An exchange that failed other than in the network (that is SocketError).
class HttpFailure : public std::runtime_error {
 public:
  explicit HttpFailure(HttpError error, std::uint64_t bound = 0, std::string detail = {});
  HttpError Error() const noexcept { return error_; }
  std::uint64_t Bound() const noexcept { return bound_; }
  const std::string& Detail() const noexcept { return detail_; }

 private:
  HttpError error_;
  std::uint64_t bound_;
  std::string detail_;
};

// The request bytes, exactly as sent: five lines and a blank one.
std::string MakeHttpGetRequest(std::string_view host);

// One GET of "/" at the endpoint over a new connection, within the limits:
// the body of a 2xx answer as raw bytes, following no redirect. Throws
// SocketError when the network fails, HttpFailure otherwise.
std::string HttpGetRootPage(const HttpEndpoint& endpoint, const HttpLimits& limits);

// The parts of an "http://host[:port]/path?query" address.
struct HttpUrl {
  std::string host;  // without the brackets of an IPv6 address
  int port = 80;
  std::string authority;  // host and port as written, for the Host header
  std::string target;     // path and query, "/" at least
};
std::optional<HttpUrl> ParseHttpUrl(std::string_view url);
// Where a Location value leads from base (absolute, "//host/...", "/path" or
// relative to base's directory).
std::string ResolveLocation(const HttpUrl& base, std::string_view location);

// The request bytes of a GET of url; extraHeaders are whole lines, each
// ended by CR LF.
std::string MakeHttpGetRequest(const HttpUrl& url, std::string_view extraHeaders);

struct HttpAnswer {
  int status = 0;
  std::string head;  // as HttpResponseParser::Head()
  std::string body;
  // A redirect to an https address, which this GET does not follow: the
  // address, with the redirect's status, head and body above.
  std::string elsewhere;
};

// One GET of an http URL, following redirects to http addresses; the final
// answer whatever its status. The limits bound everything from the first connect to the last
// byte. Throws SocketError when the network fails, HttpFailure when the
// server breaks a limit or the rules of HTTP.
HttpAnswer GetUrl(std::string_view url, const HttpLimits& limits = {},
                  std::string_view extraHeaders = {});

}  // namespace net
