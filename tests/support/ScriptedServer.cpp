#include "support/ScriptedServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
// After Winsock, which must come before it.
#include <windows.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <utility>

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

#ifdef _WIN32
using Native = SOCKET;
const Native kNone = INVALID_SOCKET;
void CloseNative(Native s) { ::closesocket(s); }
void StartSockets() {
  static const bool started = [] {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("WSAStartup failed");
}
void SetNonBlocking(Native s) {
  u_long on = 1;
  ::ioctlsocket(s, FIONBIO, &on);
}
void SetSendTimeout(Native s, std::chrono::milliseconds limit) {
  const DWORD ms = static_cast<DWORD>(limit.count());
  ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}
bool SendTimedOut() { return ::WSAGetLastError() == WSAETIMEDOUT; }
#else
using Native = int;
const Native kNone = -1;
void CloseNative(Native s) { ::close(s); }
void StartSockets() {}
void SetNonBlocking(Native s) { ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL, 0) | O_NONBLOCK); }
void SetSendTimeout(Native s, std::chrono::milliseconds limit) {
  timeval value{static_cast<long>(limit.count() / 1000),
                static_cast<long>(limit.count() % 1000 * 1000)};
  ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}
bool SendTimedOut() { return errno == EAGAIN || errno == EWOULDBLOCK; }
#endif

Native ToNative(std::intptr_t handle) { return static_cast<Native>(handle); }
std::intptr_t FromNative(Native s) {
  return s == kNone ? std::intptr_t{-1} : static_cast<std::intptr_t>(s);
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<unsigned short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A listener on 127.0.0.1 with a port the system picked.
Native Listen(int backlog, int& port) {
  StartSockets();
  Native s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == kNone) throw std::runtime_error("socket failed");
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(s, backlog) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    CloseNative(s);
    throw std::runtime_error("listen failed");
  }
  port = ntohs(address.sin_port);
  return s;
}

// True when s became readable within the time.
bool Readable(Native s, std::chrono::milliseconds within) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval limit{static_cast<long>(within.count() / 1000),
                static_cast<long>((within.count() % 1000) * 1000)};
  return ::select(static_cast<int>(s + 1), &set, nullptr, nullptr, &limit) > 0;
}

// False when the client went away or stop was set; a client that does not
// read for a while only makes this wait.
bool SendAll(Native s, const char* data, std::size_t size, const std::atomic<bool>& stop) {
  while (size > 0) {
    const auto sent = ::send(s, data, static_cast<int>(size), 0);
    if (sent <= 0) {
      if (sent < 0 && SendTimedOut() && !stop) continue;
      return false;
    }
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

}  // namespace

ScriptedServer::ScriptedServer(ServerScript script) : script_(std::move(script)) {
#ifndef _WIN32
  // A client that hangs up early must not kill the test program.
  static const bool ignored = [] {
    ::signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)ignored;
#endif
  listener_ = FromNative(Listen(4, port_));
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != -1) CloseNative(ToNative(listener_));
}

std::string ScriptedServer::Request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

void ScriptedServer::Serve() {
  const Native listener = ToNative(listener_);
  const auto giveUp = Clock::now() + 20s;
  do {
    Native client = kNone;
    while (client == kNone && !stop_ && Clock::now() < giveUp) {
      if (Readable(listener, 50ms)) client = ::accept(listener, nullptr, nullptr);
    }
    if (client == kNone) return;
    ++connections_;
    Answer(FromNative(client));
    CloseNative(client);
  } while (script_.everyConnection);
}

void ScriptedServer::Answer(std::intptr_t handle) {
  const Native client = ToNative(handle);
  const auto giveUp = Clock::now() + 20s;
  const int on = 1;
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  SetSendTimeout(client, 100ms);

  char buffer[4096];
  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos && !stop_ && Clock::now() < giveUp) {
    if (!Readable(client, 50ms)) continue;
    const auto received = ::recv(client, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    request.append(buffer, static_cast<std::size_t>(received));
  }
  if (connections_ == 1) request_ = request;

  bool open = true;
  if (script_.oneByteAtATime) {
    for (const char c : script_.answer) {
      if (stop_ || !SendAll(client, &c, 1, stop_)) break;
      if (script_.pauseBetweenBytes.count() > 0)
        std::this_thread::sleep_for(script_.pauseBetweenBytes);
    }
  } else {
    open = SendAll(client, script_.answer.data(), script_.answer.size(), stop_);
  }
  if (!script_.endlessPiece.empty()) {
    while (open && !stop_ && Clock::now() < giveUp) {
      open = SendAll(client, script_.endlessPiece.data(), script_.endlessPiece.size(), stop_);
      if (script_.pauseBetweenPieces.count() > 0)
        std::this_thread::sleep_for(script_.pauseBetweenPieces);
    }
  }

  switch (script_.end) {
    case ServerScript::End::kClose:
      break;
    case ServerScript::End::kReset: {
      linger abortive{};
      abortive.l_onoff = 1;
      abortive.l_linger = 0;
      ::setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                   sizeof abortive);
      break;
    }
    case ServerScript::End::kHoldOpen:
      while (!stop_ && Clock::now() < giveUp) {
        if (!Readable(client, 50ms)) continue;
        const auto received = ::recv(client, buffer, sizeof buffer, 0);
        if (received <= 0) {
          clientClosed_ = true;
          break;
        }
      }
      break;
  }
}

UnansweredPort::UnansweredPort() {
  const Native listener = Listen(0, port_);
  listener_ = FromNative(listener);
  // Fill the queue; later SYNs to the port are dropped and a connect hangs.
  const sockaddr_in address = Loopback(port_);
  for (auto& filler : fillers_) {
    const Native s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNone) continue;
    SetNonBlocking(s);
    ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    filler = FromNative(s);
  }
  std::this_thread::sleep_for(100ms);
}

UnansweredPort::~UnansweredPort() {
  for (const auto filler : fillers_) {
    if (filler != -1) CloseNative(ToNative(filler));
  }
  if (listener_ != -1) CloseNative(ToNative(listener_));
}

int ClosedPort() {
  int port = 0;
  CloseNative(Listen(1, port));
  return port;
}

}  // namespace testsupport
