// A blocking-style TCP client connection with time limits, over Winsock or
// POSIX sockets. Failures are thrown with the Winsock error number and its
// description, so both builds show the same texts.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace weather {

// Winsock numbers; POSIX errors are mapped onto them.
inline constexpr int kSocketTimedOut = 10060;
inline constexpr int kSocketConnectionRefused = 10061;
inline constexpr int kSocketConnectionReset = 10054;
inline constexpr int kSocketHostNotFound = 11001;

// "Socket Error # <code>" CR LF <description>.
std::string SocketErrorText(int code);
const char* SocketErrorDescription(int code);

class SocketError : public std::runtime_error {
 public:
  explicit SocketError(int code) : std::runtime_error(SocketErrorText(code)), code_(code) {}
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

class TcpConnection {
 public:
  // Resolves host and connects to the first address that answers within
  // timeout (shared by all addresses).
  static TcpConnection Connect(const std::string& host, int port,
                               std::chrono::milliseconds timeout);

  TcpConnection(TcpConnection&& other) noexcept;
  TcpConnection& operator=(TcpConnection&& other) noexcept;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;
  ~TcpConnection();

  void SendAll(std::string_view bytes, std::chrono::milliseconds timeout);
  // Nothing when no byte arrived within timeout; 0 when the peer closed.
  std::optional<std::size_t> Receive(char* buffer, std::size_t size,
                                     std::chrono::milliseconds timeout);

 private:
  // SOCKET on Windows, a descriptor elsewhere; -1 when none.
  explicit TcpConnection(std::intptr_t handle) noexcept : handle_(handle) {}
  void Close() noexcept;

  std::intptr_t handle_ = -1;
};

}  // namespace weather
