// Every Windows test program records error reports instead of showing a
// message box, so no modal box can block a headless run.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct ErrorReportRecord {
  std::string title;
  std::string text;
};

// The reports shown since the program started or since the last Clear.
std::vector<ErrorReportRecord>& RecordedErrorReports();
void ClearErrorReports();

}  // namespace testsupport
