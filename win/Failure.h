// Where an error that leaves an event handler goes. The window procedure and
// every bound handler run through RunHandler, so no exception crosses a window
// procedure; the application installs its error report as the sink (as WIL's
// SetResultLoggingCallback lets a program route failures).
#pragma once

#include <exception>
#include <string>

namespace win {

using FailureSink = void (*)(const std::string& message);

// Installs the sink (null: the plain stop box); returns the one before.
FailureSink SetFailureSink(FailureSink sink) noexcept;

void ReportFailure(const std::string& message) noexcept;

// Runs one event handler; an error leaving it ends it there and is reported.
template <typename Handler>
void RunHandler(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportFailure(error.what());
  } catch (...) {
    ReportFailure("Unknown error");
  }
}

}  // namespace win
