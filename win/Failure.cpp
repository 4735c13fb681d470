#include "win/Failure.h"

#include <windows.h>

#include <utility>

#include "win/Text.h"

namespace win {
namespace {

// Until an application installs its report: a stop box with the bare text.
void ShowStopBox(const std::string& message) {
  ::MessageBoxW(::GetActiveWindow(), Widen(message).c_str(), nullptr, MB_OK | MB_ICONSTOP);
}

FailureSink installed = nullptr;

}  // namespace

FailureSink SetFailureSink(FailureSink sink) noexcept { return std::exchange(installed, sink); }

void ReportFailure(const std::string& message) noexcept {
  try {
    (installed ? installed : ShowStopBox)(message);
  } catch (...) {
    // A failing report has nowhere left to go.
  }
}

}  // namespace win
