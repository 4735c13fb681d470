// The program's one way of showing a failure: a modal stop box captioned with
// the application title. Tests replace the box with a recorder.
#pragma once

#include <functional>
#include <string>

namespace app {

// The executable's file name without directory, cut at its first ".", every
// letter after the first in lower case ("WEATHER.EXE" gives "Weather").
std::string ApplicationTitle();
std::string ApplicationTitleFromPath(const std::string& path);

// The message as shown: "." appended when the text is not empty and its last
// character sorts after ".".
std::string ErrorReportText(const std::string& message);

using ErrorReportSink = std::function<void(const std::string& title, const std::string& text)>;

// Replaces where reports go (a message box by default); returns the old sink.
ErrorReportSink SetErrorReportSink(ErrorReportSink sink);

// The application installs this as the windows' failure sink.
void ShowErrorReport(const std::string& message);

}  // namespace app
