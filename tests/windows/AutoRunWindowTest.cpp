// The compact window's autorun button against Wine's real registry; a
// standard user is made by machine-wide keys whose descriptors deny writing.
#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"
#include "app/AutoRun.h"
#include "app/ErrorReport.h"
#include "base/SystemMessage.h"
#include "ui/WnVazodivuDodiru.h"
#include "weather/ErrorReportText.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/RegistryAccess.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using testsupport::Gbk;
using ui::TFmVazodivuDodiru;

using testsupport::kApprovedKeyPath;
using testsupport::kRunKeyPath;

constexpr wchar_t kValue[] = L"Rezodez";

std::wstring Registered(HKEY root) { return testsupport::ReadString(root, kRunKeyPath, kValue); }

void DeleteRegisteredValue() {
  for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    testsupport::AllowWrites(root, kRunKeyPath);
    testsupport::AllowWrites(root, kApprovedKeyPath);
    testsupport::RemoveValue(root, kRunKeyPath, kValue);
    testsupport::RemoveValue(root, kApprovedKeyPath, kValue);
  }
}

class AutoRunWindowTest : public testsupport::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    DeleteRegisteredValue();
  }
  void TearDown() override {
    WindowTest::TearDown();
    DeleteRegisteredValue();
  }
  static void ClickAutoRun(TFmVazodivuDodiru& window) {
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   reinterpret_cast<LPARAM>(window.BtnAutoRun->Handle()));
  }
};

TEST_F(AutoRunWindowTest, TheCaptionSaysWhatAClickWillDo) {
  TFmVazodivuDodiru unregistered(services_, application_->Handle());
  EXPECT_FALSE(unregistered.AutoRunFlag());
  EXPECT_EQ(unregistered.BtnAutoRun->Text(), Gbk("开机自动运行"));

  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  TFmVazodivuDodiru registered(services_, application_->Handle());
  EXPECT_TRUE(registered.AutoRunFlag());
  EXPECT_EQ(registered.BtnAutoRun->Text(), Gbk("取消自动运行"));
  // Each window keeps its own flag: the first one still reads as before.
  EXPECT_EQ(unregistered.BtnAutoRun->Text(), Gbk("开机自动运行"));
}

TEST_F(AutoRunWindowTest, AClickRegistersTheQuotedPathAndASecondClickRemovesIt) {
  TFmVazodivuDodiru window(services_, application_->Handle());
  testsupport::Click(*window.Imgweathern);  // shows the settings row
  ASSERT_TRUE(window.BtnAutoRun->Visible());

  ClickAutoRun(window);
  const std::wstring value = Registered(HKEY_LOCAL_MACHINE);
  ASSERT_GE(value.size(), 3u);
  EXPECT_EQ(value.front(), L'"');
  EXPECT_EQ(value.back(), L'"');
  EXPECT_NE(value.find(L"AutoRunWindowTest.exe"), std::wstring::npos);
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));

  ClickAutoRun(window);
  EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE), L"<none>");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
}

TEST_F(AutoRunWindowTest, AValueRemovedBehindTheWindowsBackIsNotDeletedAgain) {
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  TFmVazodivuDodiru window(services_, application_->Handle());
  ASSERT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));
  DeleteRegisteredValue();

  ClickAutoRun(window);  // the flag of the last refresh says: remove
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE), L"<none>");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
}

// A standard user: the machine-wide keys refuse writing.
TEST_F(AutoRunWindowTest, ForAStandardUserTheButtonWorksThroughTheUsersKey) {
  app::SetAutoRun(app::kAutoRunValueName, "\"C:\\elsewhere\\Weather.exe\"", true);
  {
    const testsupport::WritesDenied machine(HKEY_LOCAL_MACHINE, kRunKeyPath);
    const testsupport::WritesDenied switches(HKEY_LOCAL_MACHINE, kApprovedKeyPath);
    TFmVazodivuDodiru window(services_, application_->Handle());
    // The machine-wide value is seen although it may not be written.
    EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));

    // Its removal is refused: the system's reason, the caption as it was.
    ClickAutoRun(window);
    ASSERT_EQ(testsupport::RecordedErrorReports().size(), 1u);
    EXPECT_EQ(testsupport::RecordedErrorReports()[0].text,
              weather::ErrorReportText(base::SystemMessage(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE), L"\"C:\\elsewhere\\Weather.exe\"");
    EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));
  }
  DeleteRegisteredValue();
  testsupport::ClearErrorReports();

  const testsupport::WritesDenied machine(HKEY_LOCAL_MACHINE, kRunKeyPath);
  const testsupport::WritesDenied switches(HKEY_LOCAL_MACHINE, kApprovedKeyPath);
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
  ClickAutoRun(window);
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  const std::wstring value = Registered(HKEY_CURRENT_USER);
  EXPECT_NE(value.find(L"AutoRunWindowTest.exe\""), std::wstring::npos) << value;
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));

  ClickAutoRun(window);
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  EXPECT_EQ(Registered(HKEY_CURRENT_USER), L"<none>");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
}

// Turned off in Task Manager: reads as not registered, a click turns it on.
TEST_F(AutoRunWindowTest, ARegistrationTurnedOffReadsAsOffAndAClickTurnsItOn) {
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  testsupport::WriteBinary(HKEY_LOCAL_MACHINE, kApprovedKeyPath, kValue,
                           std::string("\x03\0\0\0\x10\x32\x54\x76\x98\xBA\xDC\x01", 12));
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
  ClickAutoRun(window);
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  EXPECT_EQ(testsupport::FirstByte(HKEY_LOCAL_MACHINE, kApprovedKeyPath, kValue), 2);
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));
}

TEST_F(AutoRunWindowTest, WhereNoKeyMayBeWrittenAClickFailsKeepingTheCaption) {
  const testsupport::WritesDenied machine(HKEY_LOCAL_MACHINE, kRunKeyPath);
  const testsupport::WritesDenied user(HKEY_CURRENT_USER, kRunKeyPath);
  TFmVazodivuDodiru window(services_, application_->Handle());
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));

  ClickAutoRun(window);
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, "Failed to set data for 'Rezodez'");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
  EXPECT_EQ(Registered(HKEY_LOCAL_MACHINE), L"<none>");
  EXPECT_EQ(Registered(HKEY_CURRENT_USER), L"<none>");
}

}  // namespace
