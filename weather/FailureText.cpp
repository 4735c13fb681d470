#include "weather/FailureText.h"

#include <cstdint>

namespace weather {
namespace {

std::string DurationText(std::uint64_t milliseconds) {
  if (milliseconds == 1000) return "1 second";
  if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " seconds";
  return std::to_string(milliseconds) + " ms";
}

}  // namespace

std::string FailureText(const net::HttpFailure& failure) {
  const std::string bound = std::to_string(failure.Bound());
  switch (failure.Error()) {
    case net::HttpError::kLineTooLong:
      return "The answer has a line longer than " + bound + " bytes.";
    case net::HttpError::kTooManyHeaderLines:
      return "The answer has more than " + bound + " header lines.";
    case net::HttpError::kTooManyInterimAnswers:
      return "The server sent more than " + bound + " interim answers.";
    case net::HttpError::kPageTooLarge:
      return "The page is larger than " + bound + " bytes.";
    case net::HttpError::kClosedBeforeStatusLine:
      return "Connection Closed Gracefully.";
    case net::HttpError::kClosedInHead:
      return "Undefined situation";
    case net::HttpError::kFailingStatus:
      return failure.Detail().empty() ? "The server's answer has no status line."
                                      : failure.Detail();
    case net::HttpError::kTotalTimeout:
      return "Read timed out: the answer was not complete after " + DurationText(failure.Bound()) +
             ".";
    case net::HttpError::kIdleTimeout:
      return "Read timed out: the server sent nothing for " + DurationText(failure.Bound()) + ".";
    case net::HttpError::kTooManyRedirects:
      return "The server redirected more than " + bound + " times.";
    case net::HttpError::kNotHttpAddress:
      return "The address " + failure.Detail() + " is no http address.";
    case net::HttpError::kNone:
      break;
  }
  return failure.what();
}

}  // namespace weather
