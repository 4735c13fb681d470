// Test suites that drive windows: the application object lives for the whole
// suite, reports are cleared before each test and the built-in services are
// restored after it. WindowTest also keeps a stand-in running for the suite
// and points the program at it before each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"

namespace testsupport {

class ApplicationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { application_ = std::make_unique<app::Application>(); }
  static void TearDownTestSuite() { application_.reset(); }
  void SetUp() override { ClearErrorReports(); }
  void TearDown() override { RestoreServices(); }

  static inline std::unique_ptr<app::Application> application_;
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
