// What the two platform halves of the sockets give the portable connect loop
// (net/Socket.cpp): resolving a host and one attempt at one of its addresses.
#pragma once

#include <chrono>
#include <string>

#include "base/UniqueResource.h"
#include "net/Socket.h"

// The resolver's list entry of both platforms (Winsock's ADDRINFOA is this struct).
struct addrinfo;

namespace net::detail {

using Clock = std::chrono::steady_clock;

void FreeAddresses(addrinfo* list) noexcept;
using UniqueAddressList = base::UniqueHandle<addrinfo*, FreeAddresses>;

// The stream addresses of host (not empty) at port; throws SocketError with
// the resolver's failure as a Winsock number.
UniqueAddressList Resolve(const std::string& host, int port);
const addrinfo* NextAddress(const addrinfo& address) noexcept;

// One connect attempt; the Winsock number of its failure, or 0 with result set.
int TryConnect(const addrinfo& address, Clock::time_point deadline, UniqueSocket& result);

}  // namespace net::detail
