// The words of a failed exchange, for both requests (the location page and
// the report): net reports what failed (a Winsock number, an HTTP error and
// the limit it broke), the user is told it here.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "net/HttpClient.h"

namespace weather {

// A duration as the limits' texts give it: "1 second", "30 seconds", "500 ms".
std::string DurationText(std::uint64_t milliseconds);

// "Socket Error # <code>" CR LF and the description of that Winsock number.
std::string SocketErrorText(int code);

// A failure of the network in words, with its Winsock number.
class SocketError : public std::runtime_error {
 public:
  explicit SocketError(int code);
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

std::string FailureText(const net::HttpFailure& failure);

}  // namespace weather
