// Test suites that drive windows: the application object lives for the whole
// suite; each test gets services of its own to build windows with, and its
// reports cleared. WindowTest also keeps the web service running for the
// suite and points each test's services at it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"
#include "app/Services.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"

namespace testsupport {

class ApplicationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    application_ = std::make_unique<app::Application>(RecordingErrorReport());
  }
  static void TearDownTestSuite() { application_.reset(); }
  void SetUp() override { ClearErrorReports(); }

  static inline std::unique_ptr<app::Application> application_;
  app::Services services_ = TestServices();
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
    standIn_->UseForServices(services_);
  }

  static inline std::unique_ptr<StandIn> standIn_;
};

}  // namespace testsupport
