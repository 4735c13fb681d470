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
  testsupport::UseUnreachableServices(services_);
  ui::TFmVazodivuDodiru window(services_, application_->Handle());  // stops at its first step
  ASSERT_EQ(testsupport::RecordedErrorReports().size(), 1u);
  EXPECT_EQ(::GetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE), before);
  application_->SetToolWindowStyle();
  EXPECT_EQ(::GetWindowLongPtrW(application_->Handle(), GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  EXPECT_FALSE(::IsWindowVisible(application_->Handle()));
}

TEST(ErrorReportTitle, IsTheRunningExecutablesTitle) {
  EXPECT_EQ(app::ApplicationTitle(), "Shelltest");
}

TEST_F(ShellTest, AFailingHandlerEndsAtItsStepKeepsEarlierEffectsAndIsReported) {
  int stepsDone = 0;
  win::RunHandler(services_.report, [&] {
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
  FailingWindow() : Window(testsupport::RecordingErrorReport()) {
    CreateWindowHandle(L"WeatherTestFailing", 0, WS_POPUP, 0, 0, 10, 10, nullptr);
  }
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
  testsupport::UseUnreachableServices(services_);
  ui::TFmVazodivuDodiru opener(services_, application_->Handle());
  ::ShowWindow(opener.Handle(), SW_SHOWNA);
  ui::TFmVazodivuDodiru modal(services_, application_->Handle());
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
  testsupport::UseUnreachableServices(services_);
  int exitCode = 0;
  {
    RefusedCreation refused(L"TFmVazodivuDodiru");
    exitCode = app::RunProgram(services_.report, [this](HWND owner) {
      return std::make_unique<ui::TFmVazodivuDodiru>(services_, owner);
    });
  }
  EXPECT_EQ(exitCode, 1);
  const auto& reports = testsupport::RecordedErrorReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_FALSE(reports[0].text.empty());
  // The suite's application lives on.
  EXPECT_TRUE(::IsWindow(application_->Handle()));
}

TEST_F(ShellTest, AControlThatCannotBeCreatedFailsItsWindowWithANonEmptyMessage) {
  testsupport::UseUnreachableServices(services_);
  RefusedCreation refused(L"COMBOBOX");
  try {
    ui::TFmVozevezoVudi full(services_, application_->Handle());
    FAIL() << "the window came up without its city list";
  } catch (const std::runtime_error& error) {
    EXPECT_STRNE(error.what(), "");
  }
  // Nothing of it is left behind on this thread (other test programs share the desktop).
  bool left = false;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, std::size(name));
        if (::lstrcmpW(name, L"TFmVozevezoVudi") == 0) *reinterpret_cast<bool*>(found) = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&left));
  EXPECT_FALSE(left);
}
