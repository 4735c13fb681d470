#include "net/HttpClient.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <stdexcept>
#include <utility>

#include "net/Socket.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Until(Clock::time_point deadline, Clock::time_point now) {
  return std::max(milliseconds(0), std::chrono::ceil<milliseconds>(deadline - now));
}

[[noreturn]] void Fail(HttpError error, const HttpLimits& limits) {
  throw HttpFailure(error, BoundOf(error, limits));
}

// Reads the answer into parser until it is complete, the server closes the
// connection or a limit ends it. The deadlines are checked before every
// receive, so a server that keeps the socket full cannot outrun them.
void ReadAnswer(TcpConnection& connection, HttpResponseParser& parser, const HttpLimits& limits,
                Clock::time_point totalDeadline) {
  std::optional<Clock::time_point> dropDeadline;
  std::array<char, 16384> buffer;
  while (!parser.Done()) {
    const auto now = Clock::now();
    try {
      if (parser.Failing() && !dropDeadline) dropDeadline = now + limits.failingBodyTimeout;
      if (dropDeadline && now >= *dropDeadline) break;
      if (now >= totalDeadline) Fail(HttpError::kTotalTimeout, limits);
      auto until = now + limits.idleTimeout;
      const bool totalBinds = totalDeadline <= until;
      until = std::min(until, totalDeadline);
      if (dropDeadline) until = std::min(until, *dropDeadline);

      const auto received = connection.Receive(buffer.data(), buffer.size(), Until(until, now));
      if (!received) {
        if (parser.Failing()) break;
        Fail(totalBinds ? HttpError::kTotalTimeout : HttpError::kIdleTimeout, limits);
      }
      const HttpError error = *received == 0
                                  ? parser.FeedEnd()
                                  : parser.Feed(std::string_view(buffer.data(), *received));
      if (error != HttpError::kNone) Fail(error, limits);
    } catch (const std::runtime_error&) {
      // Whatever goes wrong while a failing answer's body is dropped, the
      // status line is what the user is told.
      if (!parser.Failing()) throw;
      break;
    }
  }
}

// The final answer's status gives no page.
[[noreturn]] void FailWithStatus(const HttpResponseParser& parser) {
  throw HttpFailure(HttpError::kFailingStatus, 0, parser.StatusLine());
}

}  // namespace

HttpFailure::HttpFailure(HttpError error, std::uint64_t bound, std::string detail)
    : std::runtime_error("HTTP exchange failed (" + std::to_string(static_cast<int>(error)) + ")"),
      error_(error),
      bound_(bound),
      detail_(std::move(detail)) {}

std::string MakeHttpGetRequest(std::string_view host) {
  std::string request =
      "GET / HTTP/1.1\r\n"
      "Content-Type: text/html\r\n"
      "Host: ";
  request += host;
  request +=
      "\r\n"
      "Accept: text/html, */*\r\n"
      "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
      "\r\n";
  return request;
}

std::string HttpGetRootPage(const HttpEndpoint& endpoint, const HttpLimits& limits) {
  const auto totalDeadline = Clock::now() + limits.totalTimeout;
  TcpConnection connection = TcpConnection::Connect(
      endpoint.host, endpoint.port, std::min(limits.connectTimeout, limits.totalTimeout));
  connection.SendAll(MakeHttpGetRequest(endpoint.host), Until(totalDeadline, Clock::now()));
  HttpResponseParser parser(limits);
  ReadAnswer(connection, parser, limits, totalDeadline);
  if (parser.Failing()) FailWithStatus(parser);
  return parser.Page();
}

std::optional<HttpUrl> ParseHttpUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  if (url.size() < kScheme.size() || !EqualsNoCase(url.substr(0, kScheme.size()), kScheme)) {
    return std::nullopt;
  }
  // Blanks and control characters never reach a request line or header.
  if (std::any_of(url.begin(), url.end(),
                  [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; })) {
    return std::nullopt;
  }
  url.remove_prefix(kScheme.size());
  url = url.substr(0, url.find('#'));
  const auto authorityEnd = std::min(url.find_first_of("/?"), url.size());
  std::string_view authority = url.substr(0, authorityEnd);
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(1, close - 1);
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
  } else if (const auto colon = authority.rfind(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  if (host.empty()) return std::nullopt;
  HttpUrl result;
  if (!port.empty()) {
    const auto number = ParseDecimal(port);
    if (!number || *number == 0 || *number > 65535) return std::nullopt;
    result.port = static_cast<int>(*number);
  }
  result.host = host;
  result.authority = authority;
  result.target = url.substr(authorityEnd);
  if (result.target.empty() || result.target.front() == '?') result.target.insert(0, "/");
  return result;
}

std::string ResolveLocation(const HttpUrl& base, std::string_view location) {
  location = Trimmed(location);
  // An absolute address starts with its scheme and a colon.
  const auto colon = location.find(':');
  const bool hasScheme =
      colon != std::string_view::npos && colon > 0 &&
      std::all_of(location.begin(), location.begin() + static_cast<std::ptrdiff_t>(colon),
                  [](char c) {
                    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
                  });
  if (hasScheme) return std::string(location);
  if (location.starts_with("//")) return "http:" + std::string(location);
  std::string resolved = "http://" + base.authority;
  if (location.starts_with("/")) return resolved + std::string(location);
  const std::string_view path = std::string_view(base.target).substr(0, base.target.find('?'));
  if (location.empty() || location.front() == '?') {
    resolved += location.empty() ? base.target : std::string(path);
  } else {
    resolved += path.substr(0, path.rfind('/') + 1);
  }
  resolved += location;
  return resolved;
}

std::string MakeHttpGetRequest(const HttpUrl& url, std::string_view extraHeaders) {
  std::string request =
      "GET " + url.target + " HTTP/1.1\r\nHost: " + url.authority + "\r\nAccept: */*\r\n";
  request += extraHeaders;
  request += "Connection: close\r\n\r\n";
  return request;
}

namespace {

bool IsHttpsAddress(std::string_view address) {
  constexpr std::string_view kScheme = "https://";
  return address.size() >= kScheme.size() &&
         std::equal(kScheme.begin(), kScheme.end(), address.begin(), [](char a, char b) {
           return a == std::tolower(static_cast<unsigned char>(b));
         });
}

}  // namespace

HttpAnswer GetUrl(std::string_view url, const HttpLimits& limits, std::string_view extraHeaders) {
  const auto totalDeadline = Clock::now() + limits.totalTimeout;
  std::string address(url);
  for (int redirects = 0;; ++redirects) {
    const std::optional<HttpUrl> target = ParseHttpUrl(address);
    if (!target) throw HttpFailure(HttpError::kNotHttpAddress, 0, address);
    const auto now = Clock::now();
    if (now >= totalDeadline) Fail(HttpError::kTotalTimeout, limits);
    TcpConnection connection = TcpConnection::Connect(
        target->host, target->port, std::min(limits.connectTimeout, Until(totalDeadline, now)));
    connection.SendAll(MakeHttpGetRequest(*target, extraHeaders),
                       Until(totalDeadline, Clock::now()));
    HttpResponseParser parser(limits, HttpBodies::kOfEveryStatus);
    ReadAnswer(connection, parser, limits, totalDeadline);
    if (parser.Failing()) FailWithStatus(parser);
    if (!parser.Redirects()) {
      return {parser.StatusCode().value_or(0), parser.Head(), parser.Page(), {}};
    }
    if (redirects == limits.maxRedirects) Fail(HttpError::kTooManyRedirects, limits);
    address = ResolveLocation(*target, parser.Location());
    if (IsHttpsAddress(address)) {
      return {parser.StatusCode().value_or(0), parser.Head(), parser.Page(), address};
    }
  }
}

}  // namespace net
