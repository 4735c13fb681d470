#include "net/HttpAnswer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/HexDigit.h"

namespace net {
namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

int DigitValue(char c, int base) {
  const int value = base::HexDigitValue(c);
  return value < base ? value : -1;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text, int base) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const std::uint64_t limit = UINT64_MAX / static_cast<std::uint64_t>(base);
  for (const char c : text) {
    const int digit = DigitValue(c, base);
    if (digit < 0 || value > limit) return std::nullopt;
    value *= static_cast<std::uint64_t>(base);
    if (value > UINT64_MAX - static_cast<std::uint64_t>(digit)) return std::nullopt;
    value += static_cast<std::uint64_t>(digit);
  }
  return value;
}

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlankOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrTab(text.back())) text.remove_suffix(1);
  return text;
}

std::uint64_t BoundOf(HttpError error, const HttpLimits& limits) {
  switch (error) {
    case HttpError::kLineTooLong:
      return limits.maxLineBytes;
    case HttpError::kTooManyHeaderLines:
      return limits.maxHeaderLines;
    case HttpError::kTooManyInterimAnswers:
      return static_cast<std::uint64_t>(limits.maxInterimAnswers);
    case HttpError::kPageTooLarge:
      return limits.maxPageBytes;
    case HttpError::kTotalTimeout:
      return static_cast<std::uint64_t>(limits.totalTimeout.count());
    case HttpError::kIdleTimeout:
      return static_cast<std::uint64_t>(limits.idleTimeout.count());
    case HttpError::kTooManyRedirects:
      return static_cast<std::uint64_t>(limits.maxRedirects);
    default:
      return 0;
  }
}

std::optional<std::uint64_t> ParseDecimal(std::string_view text) { return ParseNumber(text, 10); }
std::optional<std::uint64_t> ParseHex(std::string_view text) { return ParseNumber(text, 16); }

std::optional<int> StatusCodeOf(std::string_view statusLine) {
  int word = 0;
  while (!statusLine.empty()) {
    const auto start = statusLine.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    statusLine.remove_prefix(start);
    const auto end = std::min(statusLine.find(' '), statusLine.size());
    if (++word == 2) {
      const auto number = ParseDecimal(statusLine.substr(0, end));
      if (!number || *number > 999999) return std::nullopt;
      return static_cast<int>(*number);
    }
    statusLine.remove_prefix(end);
  }
  return std::nullopt;
}

HttpResponseParser::HttpResponseParser(const HttpLimits& limits, HttpBodies bodies)
    : limits_(limits), bodies_(bodies) {}

std::optional<int> HttpResponseParser::StatusCode() const {
  return hasStatus_ ? std::optional<int>(status_) : std::nullopt;
}

bool HttpResponseParser::TakeLine(std::string_view& bytes, std::string& line) {
  const auto end = bytes.find('\n');
  const std::string_view piece = bytes.substr(0, end);
  // One byte of room for the CR that is stripped below.
  if (line_.size() + piece.size() > limits_.maxLineBytes + 1) {
    error_ = HttpError::kLineTooLong;
    return false;
  }
  line_.append(piece);
  if (end == std::string_view::npos) {
    bytes = {};
    return false;
  }
  bytes.remove_prefix(end + 1);
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  if (line_.size() > limits_.maxLineBytes) {
    error_ = HttpError::kLineTooLong;
    return false;
  }
  line = std::move(line_);
  line_.clear();
  return true;
}

void HttpResponseParser::OnStatusLine(std::string line) {
  statusLine_ = std::move(line);
  head_ = statusLine_ + "\r\n";
  location_.clear();
  const auto code = StatusCodeOf(statusLine_);
  hasStatus_ = code.has_value();
  status_ = code.value_or(0);
  headerLines_ = 0;
  hasLocation_ = false;
  hasContentLength_ = false;
  contentLength_.reset();
  chunked_ = false;
  state_ = State::kHeaders;
}

void HttpResponseParser::OnHeaderLine(const std::string& line) {
  if (++headerLines_ > limits_.maxHeaderLines) {
    error_ = HttpError::kTooManyHeaderLines;
    return;
  }
  head_ += line;
  head_ += "\r\n";
  const auto colon = line.find(':');
  if (colon == std::string::npos) return;
  const std::string_view name = Trimmed(std::string_view(line).substr(0, colon));
  const std::string_view value = Trimmed(std::string_view(line).substr(colon + 1));
  if (EqualsNoCase(name, "Content-Length")) {
    // The first one counts; one that is no plain number counts as absent.
    if (!hasContentLength_) contentLength_ = ParseDecimal(value);
    hasContentLength_ = true;
  } else if (EqualsNoCase(name, "Transfer-Encoding")) {
    if (value.find("chunked") != std::string_view::npos) chunked_ = true;
  } else if (EqualsNoCase(name, "Location")) {
    if (!hasLocation_) location_ = value;
    hasLocation_ = true;
  }
}

// The location GET skips 100 Continue only; the report request, as the
// platform's request object does, every 1xx answer before the final one
// (103 Early Hints, 102 Processing).
bool HttpResponseParser::IsInterim() const noexcept {
  if (!hasStatus_) return false;
  if (status_ == 100) return true;
  return bodies_ == HttpBodies::kOfEveryStatus && status_ > 100 && status_ <= 199;
}

void HttpResponseParser::OnHeadersEnd() {
  head_ += "\r\n";
  if (IsInterim()) {
    if (++interimAnswers_ > limits_.maxInterimAnswers) {
      error_ = HttpError::kTooManyInterimAnswers;
      return;
    }
    statusLine_.clear();
    state_ = State::kStatusLine;
    return;
  }
  if (bodies_ == HttpBodies::kOfSuccess) {
    failing_ = !(hasStatus_ && status_ >= 200 && status_ <= 299 && !hasLocation_);
  } else {
    failing_ = !hasStatus_;
    redirects_ = hasStatus_ && IsFollowedRedirect(status_) && hasLocation_;
    if (redirects_) {
      state_ = State::kDone;
      return;
    }
  }
  const bool withoutBody = hasStatus_ && (status_ < 200 || status_ == 204 || status_ == 304);
  if (withoutBody) {
    state_ = State::kDone;
  } else if (contentLength_ && *contentLength_ > 0) {
    remaining_ = *contentLength_;
    state_ = State::kBodyLength;
  } else if (chunked_) {
    state_ = State::kChunkSize;
  } else if (!contentLength_) {
    state_ = State::kBodyUntilClose;
  } else {
    state_ = State::kDone;
  }
}

void HttpResponseParser::TakeBody(std::string_view& bytes, std::size_t count) {
  const std::string_view piece = bytes.substr(0, count);
  bytes.remove_prefix(piece.size());
  if (failing_) return;
  if (page_.size() + piece.size() > limits_.maxPageBytes) {
    error_ = HttpError::kPageTooLarge;
    return;
  }
  page_.append(piece);
}

HttpError HttpResponseParser::Feed(std::string_view bytes) {
  std::string line;
  while (!bytes.empty() && state_ != State::kDone && error_ == HttpError::kNone) {
    switch (state_) {
      case State::kStatusLine:
        if (TakeLine(bytes, line)) OnStatusLine(std::move(line));
        break;
      case State::kHeaders:
        if (TakeLine(bytes, line)) {
          if (line.empty()) {
            OnHeadersEnd();
          } else {
            OnHeaderLine(line);
          }
        }
        break;
      case State::kBodyLength:
      case State::kChunkData: {
        const auto count = static_cast<std::size_t>(
            std::min<std::uint64_t>(remaining_, static_cast<std::uint64_t>(bytes.size())));
        TakeBody(bytes, count);
        remaining_ -= count;
        if (remaining_ == 0) {
          state_ = state_ == State::kBodyLength ? State::kDone : State::kChunkDataEnd;
        }
        break;
      }
      case State::kChunkSize:
        if (TakeLine(bytes, line)) {
          // A size that is no number counts as the last chunk.
          const auto size = ParseHex(std::string_view(line).substr(0, line.find(' ')));
          if (!size || *size == 0) {
            state_ = State::kDone;
          } else {
            remaining_ = *size;
            state_ = State::kChunkData;
          }
        }
        break;
      case State::kChunkDataEnd:
        if (TakeLine(bytes, line)) state_ = State::kChunkSize;
        break;
      case State::kBodyUntilClose:
        TakeBody(bytes, bytes.size());
        break;
      case State::kDone:
        break;
    }
  }
  return error_;
}

HttpError HttpResponseParser::FeedEnd() {
  if (error_ != HttpError::kNone) return error_;
  switch (state_) {
    case State::kStatusLine:
      error_ = HttpError::kClosedBeforeStatusLine;
      return error_;
    case State::kHeaders:
      if (IsInterim()) {
        error_ = HttpError::kClosedBeforeStatusLine;
        return error_;
      }
      if (hasStatus_ &&
          (bodies_ == HttpBodies::kOfEveryStatus || (status_ >= 200 && status_ <= 299))) {
        error_ = HttpError::kClosedInHead;
        return error_;
      }
      failing_ = true;
      break;
    default:
      // A body cut short keeps what arrived.
      break;
  }
  state_ = State::kDone;
  return error_;
}

}  // namespace net
