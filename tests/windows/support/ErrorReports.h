// Every Windows test program records error reports instead of showing a
// message box, so no modal box can block a headless run.
#pragma once

#include <string>
#include <vector>

#include "app/Services.h"
#include "win/Failure.h"

namespace testsupport {

struct ErrorReportRecord {
  std::string title;
  std::string text;
};

// The reports shown since the program started or since the last Clear.
std::vector<ErrorReportRecord>& RecordedErrorReports();
void ClearErrorReports();

// The program's error report, recording (and printing) instead of showing a box.
win::FailureSink RecordingErrorReport();

// The program's services with the error report recording: a test points the
// endpoints, the shell or the clock elsewhere on its own copy.
app::Services TestServices();

}  // namespace testsupport
