#include "weather/FailureText.h"

#include <cstdint>

namespace weather {
namespace {

// The descriptions of the Winsock numbers (POSIX errors arrive mapped onto them).
const char* SocketErrorDescription(int code) {
  switch (code) {
    case 10004:
      return "Interrupted system call.";
    case 10009:
      return "Bad file number.";
    case 10013:
      return "Access denied.";
    case 10014:
      return "Buffer fault.";
    case 10022:
      return "Invalid argument.";
    case 10024:
      return "Too many open files.";
    case 10035:
      return "Operation would block.";
    case 10036:
      return "Operation now in progress.";
    case 10037:
      return "Operation already in progress.";
    case 10038:
      return "Socket operation on non-socket.";
    case 10039:
      return "Destination address required.";
    case 10040:
      return "Message too long.";
    case 10041:
      return "Protocol wrong type for socket.";
    case 10042:
      return "Bad protocol option.";
    case 10043:
      return "Protocol not supported.";
    case 10044:
      return "Socket type not supported.";
    case 10045:
      return "Operation not supported on socket.";
    case 10046:
      return "Protocol family not supported.";
    case 10047:
      return "Address family not supported by protocol family.";
    case 10048:
      return "Address already in use.";
    case 10049:
      return "Cannot assign requested address.";
    case 10050:
      return "Network is down.";
    case 10051:
      return "Network is unreachable.";
    case 10052:
      return "Net dropped connection or reset.";
    case 10053:
      return "Software caused connection abort.";
    case 10054:
      return "Connection reset by peer.";
    case 10055:
      return "No buffer space available.";
    case 10056:
      return "Socket is already connected.";
    case 10057:
      return "Socket is not connected.";
    case 10058:
      return "Cannot send or receive after socket is closed.";
    case 10060:
      return "Connection timed out.";
    case 10061:
      return "Connection refused.";
    case 10064:
      return "Host is down.";
    case 10065:
      return "No route to host.";
    case 10091:
      return "Network subsystem is unavailable.";
    case 10092:
      return "Winsock version not supported.";
    case 10093:
      return "Winsock not loaded yet.";
    case 11001:
      return "Host not found.";
    case 11002:
      return "Non-authoritative response (try again or check DNS setup).";
    case 11003:
      return "Non-recoverable errors: FORMERR, REFUSED, NOTIMP.";
    case 11004:
      return "Valid name, no data record (check DNS setup).";
    default:
      return "Unknown socket error.";
  }
}

}  // namespace

std::string DurationText(std::uint64_t milliseconds) {
  if (milliseconds == 1000) return "1 second";
  if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " seconds";
  return std::to_string(milliseconds) + " ms";
}

std::string SocketErrorText(int code) {
  return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorDescription(code);
}

SocketError::SocketError(int code) : std::runtime_error(SocketErrorText(code)), code_(code) {}

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
    case net::HttpError::kNotBegun:
      return "Read timed out: no answer began within " + DurationText(failure.Bound()) + ".";
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
