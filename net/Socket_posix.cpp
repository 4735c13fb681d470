#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "net/Socket.h"
#include "net/SocketDetail.h"

namespace net {
namespace {

using detail::Clock;

// The same numbers the Windows build reports, so error texts match.
int WinsockCodeOf(int error) {
  switch (error) {
    case EINTR:
      return 10004;
    case EBADF:
      return 10009;
    case EACCES:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EWOULDBLOCK:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EMSGSIZE:
      return 10040;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
    case EPIPE:
      return 10054;
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case ESHUTDOWN:
      return 10058;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    default:
      return 10000 + error;
  }
}

int ResolverCodeOf(int error) {
  switch (error) {
    case EAI_NONAME:
      return kSocketHostNotFound;
    case EAI_AGAIN:
      return 11002;
    case EAI_FAIL:
      return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return 11004;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
      return 11004;
#endif
    case EAI_MEMORY:
      return 10055;
    case EAI_SYSTEM:
      return WinsockCodeOf(errno);
    default:
      return 11003;
  }
}

[[noreturn]] void ThrowErrno() { throw SocketError(WinsockCodeOf(errno)); }

int PollTimeout(std::chrono::milliseconds timeout) {
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, 1 << 30));
}

// Waits for events on fd; false when the time ran out.
bool Wait(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() < 0) left = std::chrono::milliseconds(0);
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, PollTimeout(left));
    if (ready > 0) return true;
    if (ready == 0) {
      if (Clock::now() >= deadline) return false;
      continue;
    }
    if (errno != EINTR) ThrowErrno();
  }
}

}  // namespace

namespace detail {

int TryConnect(const addrinfo& address, Clock::time_point deadline, UniqueSocket& result) {
  UniqueSocket socket(
      ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol));
  if (!socket) return WinsockCodeOf(errno);
  const int flags = ::fcntl(socket.get(), F_GETFL, 0);
  if (flags < 0 || ::fcntl(socket.get(), F_SETFL, flags | O_NONBLOCK) < 0) {
    return WinsockCodeOf(errno);
  }
  if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) return WinsockCodeOf(errno);
    if (!Wait(socket.get(), POLLOUT, deadline)) return kSocketTimedOut;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
      return WinsockCodeOf(errno);
    }
    if (error != 0) return WinsockCodeOf(error);
  }
  const int noDelay = 1;
  ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  result = std::move(socket);
  return 0;
}

void FreeAddresses(addrinfo* list) noexcept { ::freeaddrinfo(list); }

const addrinfo* NextAddress(const addrinfo& address) noexcept { return address.ai_next; }

UniqueAddressList Resolve(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  const std::string service = std::to_string(port);
  UniqueAddressList list;
  const int resolved = ::getaddrinfo(host.c_str(), service.c_str(), &hints, list.put());
  if (resolved != 0) throw SocketError(ResolverCodeOf(resolved));
  return list;
}

}  // namespace detail

void CloseNativeSocket(NativeSocket socket) noexcept { ::close(socket); }

void TcpConnection::SendAll(std::string_view bytes, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  const int fd = socket_.get();
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) ThrowErrno();
    if (!Wait(fd, POLLOUT, deadline)) throw SocketError(kSocketTimedOut);
  }
}

std::optional<std::size_t> TcpConnection::Receive(char* buffer, std::size_t size,
                                                  std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  const int fd = socket_.get();
  for (;;) {
    const ssize_t received = ::recv(fd, buffer, size, 0);
    if (received >= 0) return static_cast<std::size_t>(received);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) ThrowErrno();
    if (!Wait(fd, POLLIN, deadline)) return std::nullopt;
  }
}

}  // namespace net
