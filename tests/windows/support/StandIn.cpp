#include "windows/support/StandIn.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/Services.h"
#include "weather/Location.h"
#include "weather/Report.h"
#include "win/Text.h"

namespace testsupport {
namespace {

struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockSession() { ::WSACleanup(); }
};

class Socket {
 public:
  Socket() : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
  ~Socket() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return socket_; }

 private:
  SOCKET socket_;
};

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Unix paths reach Wine's file system through drive Z:.
std::wstring DosPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + win::Widen(unixPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string Quoted(const std::string& argument) { return "\"" + argument + "\""; }

}  // namespace

int UnusedLoopbackPort() {
  static WinsockSession session;
  Socket probe;
  sockaddr_in address = Loopback(0);
  ::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

std::string HttpGetRaw(int port, const std::string& path) {
  static WinsockSession session;
  Socket connection;
  sockaddr_in address = Loopback(port);
  if (::connect(connection.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return {};
  }
  const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  ::send(connection.get(), request.data(), static_cast<int>(request.size()), 0);
  std::string answer;
  char buffer[4096];
  for (int received; (received = ::recv(connection.get(), buffer, sizeof buffer, 0)) > 0;) {
    answer.append(buffer, static_cast<size_t>(received));
  }
  return answer;
}

StandIn::StandIn(std::vector<std::string> options, const std::string& script)
    : port_(UnusedLoopbackPort()) {
  std::string command = Quoted(WEATHER_NODE) + " " +
                        Quoted(std::string(WEATHER_SOURCE_DIR) + "/" + script) +
                        " --allow-quit --lifetime 900 --port " + std::to_string(port_);
  for (const std::string& option : options) command += " " + Quoted(option);
  std::wstring commandLine = win::Widen(command);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(DosPath(WEATHER_NODE).c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &startup, &process)) {
    throw std::runtime_error("cannot start the service");
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (HttpGetRaw(port_, "/data/101290101.html").empty()) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("the service did not start");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

StandIn::~StandIn() { HttpGetRaw(port_, "/__quit"); }

std::string StandIn::HostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }

void StandIn::UseForServices(app::Services& services) const {
  services.location = net::HttpEndpoint{"127.0.0.1", port_};
  services.reportUrl = [host = HostAndPort()](std::string_view cityCode) {
    return weather::MakeReportUrl(host, cityCode);
  };
}

void UseUnreachableServices(app::Services& services) {
  const int port = UnusedLoopbackPort();
  services.location = net::HttpEndpoint{"127.0.0.1", port};
  services.reportUrl = [port](std::string_view cityCode) {
    return weather::MakeReportUrl("127.0.0.1:" + std::to_string(port), cityCode);
  };
}

}  // namespace testsupport
