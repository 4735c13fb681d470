// The project's web service (service/server.js) on its synthetic source,
// standing in for the two web services: started on a free loopback port for
// one test and stopped with it.
#pragma once

#include <string>
#include <vector>

#include "app/Services.h"

namespace testsupport {

class StandIn {
 public:
  // Extra command-line options for the service (e.g. "--city", "101280101").
  // Another Node.js server of the source tree, such as the fake forecast API
  // of service/test/fakeUpstream.js, starts the same way.
  explicit StandIn(std::vector<std::string> options = {},
                   const std::string& script = "service/server.js");
  ~StandIn();
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  int Port() const noexcept { return port_; }
  // "127.0.0.1:<port>", as the report URL's host part.
  std::string HostAndPort() const;
  // Points the location lookup and report requests of the services here.
  void UseForServices(app::Services& services) const;

 private:
  int port_ = 0;
};

// A loopback port nobody listens on.
int UnusedLoopbackPort();

// The raw answer to one GET of a path, or empty when nothing answers.
std::string HttpGetRaw(int port, const std::string& path);

// Points the services at nothing: every lookup and request fails to connect.
void UseUnreachableServices(app::Services& services);

}  // namespace testsupport
