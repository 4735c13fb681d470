// What the windows reach the outside world through, chosen once: the program's
// entry makes the built-in set and hands it to its first window, which hands
// it on to each window it opens. Tests make their own, pointed at servers and
// recorders of their own.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "weather/Location.h"
#include "weather/Report.h"
#include "weather/ReportItems.h"
#include "win/Failure.h"

namespace app {

struct Services {
  weather::HttpEndpoint location;
  std::function<std::string(std::string_view cityCode)> reportUrl;
  weather::ReportRequestFactory createReportRequest;
  // Hands a text to the shell to open (a web address); the result is ignored.
  std::function<void(const std::string& text)> shellOpen;
  // Today, for the dates of the day table.
  weather::LocalClock clock;
  // The error report: where every failure of a handler is shown.
  win::FailureSink report;
};

// The built-in endpoints, the shell, the system clock and the stop box.
Services SystemServices();

}  // namespace app
