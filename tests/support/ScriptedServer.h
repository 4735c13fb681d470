// An HTTP server on a free loopback port that records the request it gets
// and plays back a scripted answer, to one connection or to every one. Works
// over POSIX sockets and Winsock alike, so the same tests run natively and
// under Wine.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace testsupport {

struct ServerScript {
  std::string answer;
  // Each byte in its own send, with this pause after it.
  bool oneByteAtATime = false;
  std::chrono::milliseconds pauseBetweenBytes{0};
  // Sent again and again after the answer, with this pause after each, until
  // the client goes away: endless headers or bodies, or a drip.
  std::string endlessPiece{};
  std::chrono::milliseconds pauseBetweenPieces{0};
  // Answer every connection, not only the first one (redirect loops).
  bool everyConnection = false;
  enum class End {
    kClose,     // orderly close right after the answer
    kReset,     // abortive close (RST)
    kHoldOpen,  // keep the connection until the client closes it
  } end = End::kClose;
};

class ScriptedServer {
 public:
  explicit ScriptedServer(ServerScript script);
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  ~ScriptedServer();

  int Port() const noexcept { return port_; }
  // Waits for the exchange to end; the bytes of the first request up to the
  // blank line.
  std::string Request();
  int Connections() const noexcept { return connections_; }
  // After Request(): whether the client closed the connection while the
  // server held it open.
  bool ClientClosed() const noexcept { return clientClosed_; }

 private:
  void Serve();
  void Answer(std::intptr_t client);

  ServerScript script_;
  std::intptr_t listener_ = -1;
  int port_ = 0;
  std::string request_;
  bool clientClosed_ = false;
  std::atomic<int> connections_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A loopback port whose listen queue is full, so a connect to it hangs.
class UnansweredPort {
 public:
  UnansweredPort();
  UnansweredPort(const UnansweredPort&) = delete;
  UnansweredPort& operator=(const UnansweredPort&) = delete;
  ~UnansweredPort();
  int Port() const noexcept { return port_; }

 private:
  std::intptr_t listener_ = -1;
  std::intptr_t fillers_[4] = {-1, -1, -1, -1};
  int port_ = 0;
};

// A loopback port that nobody listens on.
int ClosedPort();

}  // namespace testsupport
