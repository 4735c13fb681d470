// Test suites that drive windows: the application object lives for the whole
// suite, reports are cleared before each test and every seam is put back
// whole after it. WindowTest also keeps the web service running for the
// suite and points the program at it before each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/Application.h"
#include "app/Services.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"

namespace testsupport {

// Every seam a test may replace (the services: endpoints, report request,
// shell), saved whole when it is made and put back whole when
// it ends, also when a failed assertion ended the test early: nothing a test
// installed, such as a lambda holding its locals, outlives it.
class SavedSeams {
 public:
  SavedSeams() : services_(app::CurrentServices()) {}
  ~SavedSeams() { app::CurrentServices() = services_; }
  SavedSeams(const SavedSeams&) = delete;
  SavedSeams& operator=(const SavedSeams&) = delete;

 private:
  app::Services services_;
};

class ApplicationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { application_ = std::make_unique<app::Application>(); }
  static void TearDownTestSuite() { application_.reset(); }
  void SetUp() override {
    seams_.emplace();
    ClearErrorReports();
  }
  void TearDown() override { seams_.reset(); }

  static inline std::unique_ptr<app::Application> application_;
  std::optional<SavedSeams> seams_;
};

class WindowTest : public ApplicationTest {
 protected:
  static void SetUpTestSuite() {
    ApplicationTest::SetUpTestSuite();
    standIn_ = std::make_unique<StandIn>();
  }
  static void TearDownTestSuite() {
    standIn_.reset();
    ApplicationTest::TearDownTestSuite();
  }
  void SetUp() override {
    ApplicationTest::SetUp();
    standIn_->UseForServices();
  }

  static inline std::unique_ptr<StandIn> standIn_;
};

}  // namespace testsupport
