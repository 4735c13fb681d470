// Where the windows reach the outside world. The program uses the built-in
// endpoints; tests point them at servers of their own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "weather/Location.h"
#include "weather/Report.h"

namespace app {

struct Services {
  weather::HttpEndpoint location;
  std::function<std::string(std::string_view cityCode)> reportUrl;
  weather::ReportRequestFactory createReportRequest;
  // Hands a text to the shell to open (a web address); the result is ignored.
  std::function<void(const std::string& text)> shellOpen;
};

Services& CurrentServices();

}  // namespace app
