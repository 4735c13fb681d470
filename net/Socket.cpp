#include "net/Socket.h"

#include <string>
#include <utility>

#include "net/SocketDetail.h"

namespace net {

// Every address in turn, all within one deadline; a timeout ends the search
// (the time is spent), any other failure tries the next address.
TcpConnection TcpConnection::Connect(const std::string& host, int port,
                                     std::chrono::milliseconds timeout) {
  const auto deadline = detail::Clock::now() + timeout;
  if (host.empty()) throw SocketError(kSocketHostNotFound);
  const detail::UniqueAddressList list = detail::Resolve(host, port);
  int lastError = kSocketHostNotFound;
  for (const addrinfo* address = list.get(); address; address = detail::NextAddress(*address)) {
    UniqueSocket socket;
    lastError = detail::TryConnect(*address, deadline, socket);
    if (lastError == 0) return TcpConnection(std::move(socket));
    if (lastError == kSocketTimedOut) break;
  }
  throw SocketError(lastError);
}

}  // namespace net
