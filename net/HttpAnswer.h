// One HTTP/1.1 answer read from whatever bytes arrive: a state machine that
// does no I/O, so it can be driven byte by byte (and fuzzed), reporting what
// went wrong as error codes, never as words.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// Bounds that keep a silent, slow or hostile server from hanging the window
// or exhausting memory.
struct HttpLimits {
  std::chrono::milliseconds connectTimeout{20000};
  // Longest silence while waiting for the next bytes of the answer.
  std::chrono::milliseconds idleTimeout{30000};
  // The whole exchange, connecting included.
  std::chrono::milliseconds totalTimeout{60000};
  // How long the body of a failing answer is read before it is dropped.
  std::chrono::milliseconds failingBodyTimeout{2000};
  std::size_t maxPageBytes = 4u << 20;
  std::size_t maxLineBytes = 8192;
  std::size_t maxHeaderLines = 100;
  int maxInterimAnswers = 20;
  // Redirects followed by the report request (the location GET follows none).
  int maxRedirects = 20;
};

// What ended an exchange, without words: the caller says it to the user.
enum class HttpError {
  kNone,
  kLineTooLong,             // bound: HttpLimits::maxLineBytes
  kTooManyHeaderLines,      // bound: maxHeaderLines
  kTooManyInterimAnswers,   // bound: maxInterimAnswers
  kPageTooLarge,            // bound: maxPageBytes
  kClosedBeforeStatusLine,  // the connection ended before a final status line
  kClosedInHead,            // ... in the header lines of an answer that gives a body
  kFailingStatus,           // detail: the final status line, empty when there was none
  kTotalTimeout,            // bound: totalTimeout in milliseconds
  kIdleTimeout,             // bound: idleTimeout in milliseconds
  kNotBegun,                // bound: the milliseconds within which no answer began
  kTooManyRedirects,        // bound: maxRedirects
  kNotHttpAddress,          // detail: the address
};

// The limit an error broke (0 for errors that break none).
std::uint64_t BoundOf(HttpError error, const HttpLimits& limits);

// The status code of a status line: its second blank-separated word as a
// plain decimal number; nothing when it is no such number.
std::optional<int> StatusCodeOf(std::string_view statusLine);

// Digits only (no sign, no prefix, no blanks); nothing on overflow.
std::optional<std::uint64_t> ParseDecimal(std::string_view text);
std::optional<std::uint64_t> ParseHex(std::string_view text);

// Header field text: blanks and tabs trimmed from both ends; names compared
// without regard to ASCII case.
std::string_view Trimmed(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Which final answers give a body.
enum class HttpBodies {
  // Only 2xx without Location (the location page); any other answer fails
  // with its status line and its body is dropped.
  kOfSuccess,
  // Every answer with a status code (the report); a redirect (3xx with
  // Location) ends at its header lines.
  kOfEveryStatus,
};

// Incremental reader of one HTTP answer, a state machine over the bytes fed
// to it: framing (status line, header lines, interim answers), the body by
// length, chunks or the connection's end, and the limits. Feed it whatever
// arrives; it keeps at most the header lines plus the page. It does no I/O
// and reports what breaks the rules or the limits as a code, not by
// throwing: an error ends the answer, and every later call gives it again.
class HttpResponseParser {
 public:
  explicit HttpResponseParser(const HttpLimits& limits = {},
                              HttpBodies bodies = HttpBodies::kOfSuccess);

  // Consumes all of bytes; whatever follows a complete answer is ignored.
  HttpError Feed(std::string_view bytes);
  // The server closed the connection.
  HttpError FeedEnd();

  bool Done() const noexcept { return state_ == State::kDone; }
  HttpError Error() const noexcept { return error_; }
  // The final answer's status does not give a page; its body is being
  // skipped (or was) and the lookup fails with its StatusLine().
  bool Failing() const noexcept { return failing_; }
  // The final status line without its line end; empty when none arrived.
  const std::string& StatusLine() const noexcept { return statusLine_; }
  std::optional<int> StatusCode() const;
  // With HttpBodies::kOfEveryStatus: the answer redirects to Location().
  bool Redirects() const noexcept { return redirects_; }
  const std::string& Location() const noexcept { return location_; }
  // The status line and header lines, each followed by CR LF, and a blank line.
  const std::string& Head() const noexcept { return head_; }
  const std::string& Page() const noexcept { return page_; }

 private:
  enum class State {
    kStatusLine,
    kHeaders,
    kBodyLength,
    kChunkSize,
    kChunkData,
    kChunkDataEnd,
    kBodyUntilClose,
    kDone,
  };

  // Takes bytes up to a line end; true with the line (CR LF or LF removed).
  // (false also when the line breaks its limit, with error_ set).
  bool TakeLine(std::string_view& bytes, std::string& line);
  void OnStatusLine(std::string line);
  void OnHeaderLine(const std::string& line);
  void OnHeadersEnd();
  bool IsInterim() const noexcept;
  void TakeBody(std::string_view& bytes, std::size_t count);

  HttpLimits limits_;
  HttpBodies bodies_;
  State state_ = State::kStatusLine;
  HttpError error_ = HttpError::kNone;
  std::string line_;
  std::string statusLine_;
  int status_ = 0;
  bool hasStatus_ = false;
  int interimAnswers_ = 0;
  std::size_t headerLines_ = 0;
  bool hasLocation_ = false;
  std::string location_;
  bool redirects_ = false;
  std::string head_;
  bool hasContentLength_ = false;
  std::optional<std::uint64_t> contentLength_;
  bool chunked_ = false;
  bool failing_ = false;
  std::uint64_t remaining_ = 0;
  std::string page_;
};

}  // namespace net
