// The program's one way of showing a failure: a modal stop box captioned with
// the application title (the words are weather/ErrorReportText.h's).
#pragma once

#include <functional>
#include <string>

#include "win/Failure.h"

namespace app {

// The running executable's title.
std::string ApplicationTitle();

// Shows a report's title and text (a stop box; tests record instead).
using ErrorReportBox = std::function<void(const std::string& title, const std::string& text)>;

// The error report as a failure sink: the message, as the report shows it,
// under the application title, in the box (the stop box when none is given).
win::FailureSink ErrorReport(ErrorReportBox box = {});

}  // namespace app
