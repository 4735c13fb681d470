#include <gtest/gtest.h>

#include <cstdio>

#include "app/ErrorReport.h"
#include "windows/support/ErrorReports.h"

namespace testsupport {

std::vector<ErrorReportRecord>& RecordedErrorReports() {
  static std::vector<ErrorReportRecord> reports;
  return reports;
}

void ClearErrorReports() { RecordedErrorReports().clear(); }

win::FailureSink RecordingErrorReport() {
  return app::ErrorReport([](const std::string& title, const std::string& text) {
    RecordedErrorReports().push_back({title, text});
    std::fprintf(stderr, "error report [%s]: %s\n", title.c_str(), text.c_str());
  });
}

app::Services TestServices() {
  app::Services services = app::SystemServices();
  services.report = RecordingErrorReport();
  return services;
}

}  // namespace testsupport

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
