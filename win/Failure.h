// Where an error that leaves an event handler goes. The window procedure and
// every bound handler run through RunHandler, so no exception crosses a window
// procedure. Each window is given its sink when it is made (the program's
// error report), as WIL's SetResultLoggingCallback lets a program route
// failures, but chosen once by whoever makes the window rather than set
// globally.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace win {

using FailureSink = std::function<void(const std::string& message)>;

// Gives the message to the sink; with no sink, a stop box with the bare text.
void ReportFailure(const FailureSink& sink, const std::string& message) noexcept;

// Runs one event handler; an error leaving it ends it there and is reported.
template <typename Handler>
void RunHandler(const FailureSink& sink, Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportFailure(sink, error.what());
  } catch (...) {
    ReportFailure(sink, "Unknown error");
  }
}

}  // namespace win
