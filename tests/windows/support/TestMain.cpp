#include <gtest/gtest.h>

#include <cstdio>

#include "app/ErrorReport.h"
#include "win/Failure.h"
#include "windows/support/ErrorReports.h"

namespace testsupport {

std::vector<ErrorReportRecord>& RecordedErrorReports() {
  static std::vector<ErrorReportRecord> reports;
  return reports;
}

void ClearErrorReports() { RecordedErrorReports().clear(); }

}  // namespace testsupport

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  app::SetErrorReportSink([](const std::string& title, const std::string& text) {
    testsupport::RecordedErrorReports().push_back({title, text});
    std::fprintf(stderr, "error report [%s]: %s\n", title.c_str(), text.c_str());
  });
  // Handlers run outside an application object go to the same recorder.
  win::SetFailureSink(app::ShowErrorReport);
  return RUN_ALL_TESTS();
}
