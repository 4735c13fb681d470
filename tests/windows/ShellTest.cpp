// The application shell under Wine: COM apartment, the application window's
// style, the error report and the handler dispatcher, the modal loop.
#include <gtest/gtest.h>
#include <objbase.h>

#include <memory>
#include <stdexcept>

#include "app/Application.h"
#include "app/ErrorReport.h"
#include "ui/WnVazodivuDodiru.h"
#include "ui/WnVozevezoVudi.h"
#include "win/Failure.h"
#include "windows/support/ErrorReports.h"
#include "windows/support/StandIn.h"
#include "windows/support/WindowDriver.h"
#include "windows/support/WindowTest.h"

namespace {

using ShellTest = testsupport::ApplicationTest;

TEST_F(ShellTest, TheGuiThreadIsInASingleThreadedApartment) {
  // Joining again succeeds with S_FALSE; asking for another model is refused.
  const HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  EXPECT_EQ(again, S_FALSE);
  if (SUCCEEDED(again)) ::CoUninitialize();
  EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

TEST_F(ShellTest, ApplicationWindowBecomesExactlyAToolWindowEvenAfterAFailedStart) {
  ::SetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE, WS_EX_APPWINDOW | WS_EX_TOPMOST);
  const LONG_PTR before = ::GetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE);
  testsupport::UseUnreachableServices();
  ui::TFmVazodivuDodiru window(application_->Handle());  // stops at its first step
  ASSERT_EQ(testsupport::RecordedErrorReports().size(), 1u);
  EXPECT_EQ(::GetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE), before);
  application_->SetToolWindowStyle();
  EXPECT_EQ(::GetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  EXPECT_FALSE(::IsWindowVisible(application_->Handle()));
}

TEST(ErrorReportTitle, FollowsTheExecutablesName) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\Program Files\\Weather\\WEATHER.EXE", "Weather"},
      {"C:\\a.b\\My.Prog.exe", "My"},
      {"weather.exe", "weather"},
      {"D:/tools/TianQi", "Tianqi"},
      {"C:\\x\\\xCC\xEC\xC6\xF8"
       "Ab.exe",
       "\xCC\xEC\xC6\xF8"
       "ab"},  // 天气Ab: GBK bytes untouched
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::ApplicationTitleFromPath(c.path), c.title) << c.path;
  }
  EXPECT_EQ(app::ApplicationTitle(), "Shelltest");
}

TEST(ErrorReportText, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"Invalid class typecast", "Invalid class typecast."},
      {"Already ends.", "Already ends."},
      {"Failed to set data for 'Rezodez'", "Failed to set data for 'Rezodez'"},
      {"List index out of bounds (3)", "List index out of bounds (3)"},
      {"Connection refused.", "Connection refused."},
      {"HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found."},
      {"ends in a digit 7", "ends in a digit 7."},
      {"\xC7\xE7", "\xC7\xE7."},  // a GBK character sorts after "."
  };
  for (const auto& c : cases) EXPECT_EQ(app::ErrorReportText(c.message), c.shown) << c.message;
}

TEST_F(ShellTest, AFailingHandlerEndsAtItsStepKeepsEarlierEffectsAndIsReported) {
  int stepsDone = 0;
  win::RunHandler([&] {
    ++stepsDone;
    throw std::runtime_error("second step failed");
    ++stepsDone;  // never reached
  });
  EXPECT_EQ(stepsDone, 1);
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].title, "Shelltest");
  EXPECT_EQ(reports[0].text, "second step failed.");
}

// A window whose handler fails: the error must not cross the window procedure.
class FailingWindow : public win::Window {
 public:
  FailingWindow() { CreateWindowHandle(L"WeatherTestFailing", 0, WS_POPUP, 0, 0, 10, 10, nullptr); }
  int handled = 0;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP) {
      ++handled;
      throw std::runtime_error("Bitmap image is not valid");
    }
    return Window::HandleMessage(message, wParam, lParam);
  }
};

TEST_F(ShellTest, ErrorsInsideTheWindowProcedureAreReportedAndTheLoopGoesOn) {
  FailingWindow window;
  EXPECT_EQ(::SendMessageW(window.Handle(), WM_APP, 0, 0), 0);
  ::PostMessageW(window.Handle(), WM_APP, 0, 0);
  testsupport::PumpMessages();
  EXPECT_EQ(window.handled, 2);
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].text, "Bitmap image is not valid.");
  EXPECT_TRUE(::IsWindow(window.Handle()));
}

TEST_F(ShellTest, ModalLoopDisablesTheOtherWindowsUntilItsWindowCloses) {
  testsupport::UseUnreachableServices();
  ui::TFmVazodivuDodiru opener(application_->Handle());
  ::ShowWindow(opener.Handle(), SW_SHOWNA);
  ui::TFmVazodivuDodiru modal(application_->Handle());
  static HWND openerHandle, modalHandle;
  static bool openerWasEnabled;
  openerHandle = opener.Handle();
  modalHandle = modal.Handle();
  openerWasEnabled = true;
  ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    openerWasEnabled = ::IsWindowEnabled(openerHandle) != FALSE;
    ::PostMessageW(modalHandle, WM_CLOSE, 0, 0);
  });
  const int result = app::ShowModal(modal);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(openerWasEnabled);
  EXPECT_TRUE(::IsWindowEnabled(opener.Handle()));
  // Closing a modal window ends its loop; its opener destroys it.
  EXPECT_TRUE(::IsWindow(modal.Handle()));
  EXPECT_FALSE(::IsWindowVisible(modal.Handle()));
}

}  // namespace

// Refuses to create windows of one class for as long as it lives, as a system
// out of window handles would.
class RefusedCreation {
 public:
  explicit RefusedCreation(const wchar_t* className)
      : hook_(::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId())) {
    refused_ = className;
  }
  ~RefusedCreation() { ::UnhookWindowsHookEx(hook_); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t name[64] = {};
    if (code == HCBT_CREATEWND &&
        ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, std::size(name)) &&
        ::lstrcmpiW(name, refused_) == 0) {
      return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline const wchar_t* refused_ = nullptr;
  HHOOK hook_;
};

TEST_F(ShellTest, AMainWindowThatCannotBeCreatedIsReportedAndEndsTheProgramWithExitCodeOne) {
  testsupport::UseUnreachableServices();
  int exitCode = 0;
  {
    RefusedCreation refused(L"TFmVazodivuDodiru");
    exitCode =
        app::RunProgram([](HWND owner) { return std::make_unique<ui::TFmVazodivuDodiru>(owner); });
  }
  EXPECT_EQ(exitCode, 1);
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_FALSE(reports[0].text.empty());
  // The suite's application is current again.
  EXPECT_EQ(&app::Application::Current(), application_.get());
}

TEST_F(ShellTest, AControlThatCannotBeCreatedFailsItsWindowWithANonEmptyMessage) {
  testsupport::UseUnreachableServices();
  RefusedCreation refused(L"COMBOBOX");
  try {
    ui::TFmVozevezoVudi full(application_->Handle());
    FAIL() << "the window came up without its city list";
  } catch (const std::runtime_error& error) {
    EXPECT_STRNE(error.what(), "");
  }
  // Nothing of it is left behind (other test programs' full windows may be up).
  for (HWND left = nullptr; (left = ::FindWindowExW(nullptr, left, L"TFmVozevezoVudi", nullptr));) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(left, &process);
    EXPECT_NE(process, ::GetCurrentProcessId());
  }
}
