#include "app/Application.h"

#include <exception>
#include <utility>
#include <vector>

namespace app {

ApplicationWindow::ApplicationWindow(win::FailureSink failures) : Window(std::move(failures)) {
  // Never shown: it only owns the program's windows, like a toolkit's
  // application window.
  CreateWindowHandle(L"TApplication", 0, WS_POPUP | WS_CLIPSIBLINGS | WS_SYSMENU, 0, 0, 0, 0,
                     nullptr);
}

void SetToolWindowStyle(HWND applicationWindow) {
  ::SetWindowLongPtrW(applicationWindow, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
}

Application::Application(win::FailureSink failures) : window_(std::move(failures)) {}

void Application::SetMainWindow(win::Window& window) {
  mainWindow_ = &window;
  window.onDestroyed = [this] {
    mainWindow_ = nullptr;
    ::PostQuitMessage(0);
  };
}

int Application::Run() {
  if (mainWindow_ && mainWindow_->Handle()) ::ShowWindow(mainWindow_->Handle(), SW_SHOW);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

int RunProgram(const win::FailureSink& failures, const MainWindowFactory& create) noexcept {
  try {
    Application application(failures);
    std::unique_ptr<win::Window> mainWindow;
    try {
      mainWindow = create(application.Handle());
    } catch (const std::exception& error) {
      // Without its main window the program could never be closed.
      win::ReportFailure(failures, error.what());
      return 1;
    }
    application.SetMainWindow(*mainWindow);
    // Also when the main window's start sequence stopped early.
    application.SetToolWindowStyle();
    return application.Run();
  } catch (const std::exception& error) {
    win::ReportFailure(failures, error.what());
  } catch (...) {
    win::ReportFailure(failures, "Unknown error");
  }
  return 1;
}

int ShowModal(win::Window& window) {
  const HWND modal = window.Handle();
  struct Disabling {
    HWND modal;
    std::vector<HWND> windows;
  } disabling{modal, {}};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM context) -> BOOL {
        auto& state = *reinterpret_cast<Disabling*>(context);
        if (hwnd != state.modal && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
          state.windows.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabling));
  const std::vector<HWND>& disabled = disabling.windows;
  for (HWND hwnd : disabled) ::EnableWindow(hwnd, FALSE);

  window.SetModalResult(0);
  window.SetInModalLoop(true);
  ::ShowWindow(modal, SW_SHOW);
  ::SetActiveWindow(modal);
  MSG message;
  while (window.Handle() && window.ModalResult() == 0) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // Leave the quit request for the outer loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      if (window.ModalResult() == 0) window.SetModalResult(IDCANCEL);
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  window.SetInModalLoop(false);
  for (HWND hwnd : disabled) {
    if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
  }
  if (window.Handle()) ::ShowWindow(window.Handle(), SW_HIDE);
  return window.ModalResult();
}

}  // namespace app
