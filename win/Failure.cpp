#include "win/Failure.h"

#include <windows.h>

#include "win/Text.h"

namespace win {

void ReportFailure(const FailureSink& sink, const std::string& message) noexcept {
  try {
    if (sink) {
      sink(message);
    } else {
      ::MessageBoxW(::GetActiveWindow(), Widen(message).c_str(), nullptr, MB_OK | MB_ICONSTOP);
    }
  } catch (...) {
    // A failing report has nowhere left to go.
  }
}

}  // namespace win
