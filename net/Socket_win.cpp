#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <string>
#include <utility>

#include "net/Socket.h"
#include "net/SocketDetail.h"

namespace net {
namespace {

using detail::Clock;

// Winsock is started on first use and stopped when the process ends, so
// callers need not know about it.
struct WinsockSession {
  int startError = 0;
  base::UniqueCall<&::WSACleanup> cleanup;
};

WinsockSession StartWinsock() {
  WSADATA data{};
  const int error = ::WSAStartup(MAKEWORD(2, 2), &data);
  return {error, base::UniqueCall<&::WSACleanup>(error == 0)};
}

void EnsureWinsock() {
  static const WinsockSession session = StartWinsock();
  if (session.startError != 0) throw SocketError(session.startError);
}

[[noreturn]] void ThrowLastError() { throw SocketError(::WSAGetLastError()); }

enum class Readiness { kReady, kFailed, kTimedOut };
enum class WaitFor { kRead, kWrite, kConnect };

// A failed connect shows up only in the exception set, so that set is
// watched while connecting.
Readiness Wait(SOCKET socket, WaitFor what, Clock::time_point deadline) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() < 0) left = std::chrono::microseconds(0);
    const auto micros = std::min<long long>(left.count(), 1000000LL * 3600);
    timeval limit{static_cast<long>(micros / 1000000), static_cast<long>(micros % 1000000)};
    fd_set wanted;
    fd_set failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(socket, &wanted);
    FD_SET(socket, &failed);
    const bool connecting = what == WaitFor::kConnect;
    const int ready = ::select(0, what == WaitFor::kRead ? &wanted : nullptr,
                               what == WaitFor::kRead ? nullptr : &wanted,
                               connecting ? &failed : nullptr, &limit);
    if (ready == SOCKET_ERROR) ThrowLastError();
    if (ready > 0) {
      return connecting && FD_ISSET(socket, &failed) ? Readiness::kFailed : Readiness::kReady;
    }
    if (Clock::now() >= deadline) return Readiness::kTimedOut;
  }
}

int PendingError(SOCKET socket) {
  int error = 0;
  int length = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    return ::WSAGetLastError();
  }
  return error;
}

}  // namespace

namespace detail {

int TryConnect(const ADDRINFOA& address, Clock::time_point deadline, UniqueSocket& result) {
  UniqueSocket socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
  if (!socket) return ::WSAGetLastError();
  u_long nonBlocking = 1;
  if (::ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return ::WSAGetLastError();
  if (::connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return error;
    switch (Wait(socket.get(), WaitFor::kConnect, deadline)) {
      case Readiness::kTimedOut:
        return kSocketTimedOut;
      case Readiness::kFailed: {
        const int pending = PendingError(socket.get());
        return pending != 0 ? pending : kSocketConnectionRefused;
      }
      case Readiness::kReady:
        if (const int pending = PendingError(socket.get()); pending != 0) return pending;
        break;
    }
  }
  const BOOL noDelay = TRUE;
  ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
  result = std::move(socket);
  return 0;
}

}  // namespace detail

namespace {

// Wine reports a reset that arrives while no receive is pending as an orderly
// close. The two differ in what the connection has left: after an orderly
// close it waits for us to close our end too and still knows its peer, after
// a reset it is gone and getpeername fails with WSAENOTCONN. Windows reports
// resets to recv itself; there this check only ever sees a peer.
bool ConnectionWasReset(SOCKET socket) {
  sockaddr_storage peer{};
  int length = sizeof peer;
  return ::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0 &&
         ::WSAGetLastError() == WSAENOTCONN;
}

}  // namespace

void CloseNativeSocket(NativeSocket socket) noexcept { ::closesocket(socket); }

namespace detail {

void FreeAddresses(addrinfo* list) noexcept { ::freeaddrinfo(list); }

const addrinfo* NextAddress(const addrinfo& address) noexcept { return address.ai_next; }

UniqueAddressList Resolve(const std::string& host, int port) {
  EnsureWinsock();
  ADDRINFOA hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV;
  const std::string service = std::to_string(port);
  UniqueAddressList list;
  const int resolved = ::getaddrinfo(host.c_str(), service.c_str(), &hints, list.put());
  if (resolved != 0) throw SocketError(resolved);
  return list;
}

}  // namespace detail

void TcpConnection::SendAll(std::string_view bytes, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  const SOCKET socket = socket_.get();
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int sent = ::send(socket, bytes.data(), chunk, 0);
    if (sent != SOCKET_ERROR) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (::WSAGetLastError() != WSAEWOULDBLOCK) ThrowLastError();
    if (Wait(socket, WaitFor::kWrite, deadline) == Readiness::kTimedOut) {
      throw SocketError(kSocketTimedOut);
    }
  }
}

std::optional<std::size_t> TcpConnection::Receive(char* buffer, std::size_t size,
                                                  std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  const SOCKET socket = socket_.get();
  const int chunk = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
  for (;;) {
    const int received = ::recv(socket, buffer, chunk, 0);
    if (received == 0 && ConnectionWasReset(socket)) throw SocketError(kSocketConnectionReset);
    if (received != SOCKET_ERROR) return static_cast<std::size_t>(received);
    if (::WSAGetLastError() != WSAEWOULDBLOCK) ThrowLastError();
    if (Wait(socket, WaitFor::kRead, deadline) == Readiness::kTimedOut) return std::nullopt;
  }
}

}  // namespace net
