// The compact window's autorun button against Wine's real registry.
#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"
#include "app/AutoRun.h"
#include "ui/WnVazodivuDodiru.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using testsupport::Gbk;
using ui::TFmVazodivuDodiru;

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring RegisteredValue() {
  wchar_t data[1024];
  DWORD size = sizeof data;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Rezodez", RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return data;
}

void DeleteRegisteredValue() { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Rezodez"); }

// Refuses every open, as for a user without write access to the machine's keys.
class RefusingRegistry : public app::RegistryApi {
 public:
  LSTATUS OpenKey(HKEY, const std::wstring&, REGSAM, HKEY*) override { return ERROR_ACCESS_DENIED; }
  LSTATUS CreateKey(HKEY, const std::wstring&, REGSAM, HKEY*) override {
    return ERROR_ACCESS_DENIED;
  }
  LSTATUS QueryValue(HKEY key, const std::wstring& name) override {
    return app::Win32RegistryApi().QueryValue(key, name);
  }
  LSTATUS SetStringValue(HKEY key, const std::wstring& name, const std::wstring& data) override {
    return app::Win32RegistryApi().SetStringValue(key, name, data);
  }
  LSTATUS DeleteValue(HKEY key, const std::wstring& name) override {
    return app::Win32RegistryApi().DeleteValue(key, name);
  }
  LSTATUS CloseKey(HKEY key) override { return app::Win32RegistryApi().CloseKey(key); }
};

class AutoRunWindowTest : public testsupport::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    DeleteRegisteredValue();
  }
  void TearDown() override {
    WindowTest::TearDown();  // the real registry again
    DeleteRegisteredValue();
  }
  static void ClickAutoRun(TFmVazodivuDodiru& window) {
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   reinterpret_cast<LPARAM>(window.BtnAutoRun->Handle()));
  }
};

TEST_F(AutoRunWindowTest, TheCaptionSaysWhatAClickWillDo) {
  TFmVazodivuDodiru unregistered(application_->Handle());
  EXPECT_FALSE(unregistered.AutoRunFlag());
  EXPECT_EQ(unregistered.BtnAutoRun->Text(), Gbk("开机自动运行"));

  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  TFmVazodivuDodiru registered(application_->Handle());
  EXPECT_TRUE(registered.AutoRunFlag());
  EXPECT_EQ(registered.BtnAutoRun->Text(), Gbk("取消自动运行"));
  // Each window keeps its own flag: the first one still reads as before.
  EXPECT_EQ(unregistered.BtnAutoRun->Text(), Gbk("开机自动运行"));
}

TEST_F(AutoRunWindowTest, AClickRegistersTheQuotedPathAndASecondClickRemovesIt) {
  TFmVazodivuDodiru window(application_->Handle());
  testsupport::Click(*window.Imgweathern);  // shows the settings row
  ASSERT_TRUE(window.BtnAutoRun->Visible());

  ClickAutoRun(window);
  const std::wstring value = RegisteredValue();
  ASSERT_GE(value.size(), 3u);
  EXPECT_EQ(value.front(), L'"');
  EXPECT_EQ(value.back(), L'"');
  EXPECT_NE(value.find(L"AutoRunWindowTest.exe"), std::wstring::npos);
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));

  ClickAutoRun(window);
  EXPECT_EQ(RegisteredValue(), L"<none>");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
}

TEST_F(AutoRunWindowTest, AValueRemovedBehindTheWindowsBackIsNotDeletedAgain) {
  app::SetAutoRun(app::kAutoRunValueName, app::AutoRunCommand(), true);
  TFmVazodivuDodiru window(application_->Handle());
  ASSERT_EQ(window.BtnAutoRun->Text(), Gbk("取消自动运行"));
  DeleteRegisteredValue();

  ClickAutoRun(window);  // the flag of the last refresh says: remove
  EXPECT_TRUE(testsupport::RecordedErrorReports().empty());
  EXPECT_EQ(RegisteredValue(), L"<none>");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
}

TEST_F(AutoRunWindowTest, RefusedAccessReadsAsUnregisteredAndAClickFailsKeepingTheCaption) {
  app::SetAutoRun(app::kAutoRunValueName, "\"C:\\elsewhere\\Weather.exe\"", true);
  RefusingRegistry refusing;
  app::SetRegistryApi(&refusing);
  TFmVazodivuDodiru window(application_->Handle());
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));

  ClickAutoRun(window);
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, "Failed to set data for 'Rezodez'");
  EXPECT_EQ(window.BtnAutoRun->Text(), Gbk("开机自动运行"));
  app::SetRegistryApi(nullptr);
  EXPECT_EQ(RegisteredValue(), L"\"C:\\elsewhere\\Weather.exe\"");
}

}  // namespace
