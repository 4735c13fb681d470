// A blocking-style TCP client connection with time limits, over Winsock or
// POSIX sockets. Failures are thrown with the Winsock error number, so both
// builds report the same numbers.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "base/UniqueResource.h"

namespace net {

// Winsock numbers; POSIX errors are mapped onto them.
inline constexpr int kSocketTimedOut = 10060;
inline constexpr int kSocketConnectionRefused = 10061;
inline constexpr int kSocketConnectionReset = 10054;
inline constexpr int kSocketHostNotFound = 11001;

class SocketError : public std::runtime_error {
 public:
  explicit SocketError(int code)
      : std::runtime_error("socket error " + std::to_string(code)), code_(code) {}
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

#ifdef _WIN32
using NativeSocket = std::uintptr_t;  // SOCKET
inline constexpr NativeSocket kNoSocket = ~NativeSocket{0};
#else
using NativeSocket = int;
inline constexpr NativeSocket kNoSocket = -1;
#endif
void CloseNativeSocket(NativeSocket socket) noexcept;
using UniqueSocket = base::UniqueHandle<NativeSocket, CloseNativeSocket, kNoSocket>;

class TcpConnection {
 public:
  // Resolves host and connects to the first address that answers within
  // timeout (shared by all addresses).
  static TcpConnection Connect(const std::string& host, int port,
                               std::chrono::milliseconds timeout);

  void SendAll(std::string_view bytes, std::chrono::milliseconds timeout);
  // Nothing when no byte arrived within timeout; 0 when the peer closed the
  // connection in order (a reset throws SocketError 10054).
  std::optional<std::size_t> Receive(char* buffer, std::size_t size,
                                     std::chrono::milliseconds timeout);

 private:
  explicit TcpConnection(UniqueSocket socket) noexcept : socket_(std::move(socket)) {}

  UniqueSocket socket_;
};

}  // namespace net
