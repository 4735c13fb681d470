// The application object: the GUI thread's COM apartment, the hidden
// application window that owns every window, the main window and the loops.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "win/Dpi.h"
#include "win/Failure.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace app {

class ApplicationWindow : public win::Window {
 public:
  explicit ApplicationWindow(win::FailureSink failures);
};

// A tool window has no taskbar button: exactly WS_EX_TOOLWINDOW, nothing else.
void SetToolWindowStyle(HWND applicationWindow);

class Application {
 public:
  // Joins the thread to a single-threaded COM apartment before any window
  // exists; failures of the application window's handlers go to the sink.
  explicit Application(win::FailureSink failures);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The window that owns the program's windows.
  HWND Handle() const noexcept { return window_.Handle(); }

  void SetToolWindowStyle() { app::SetToolWindowStyle(Handle()); }

  // The first window created; its destruction ends the message loop.
  void SetMainWindow(win::Window& window);
  win::Window* MainWindow() const noexcept { return mainWindow_; }

  // Shows the main window and runs the message loop until it is closed.
  int Run();

 private:
  // First: the dpi awareness must be set before any window exists, where the
  // manifest does not set it.
  struct DpiAwareness {
    DpiAwareness() { win::DeclareDpiAwareness(); }
  } dpiAwareness_;
  win::ComApartmentScope apartment_;
  ApplicationWindow window_;
  win::Window* mainWindow_ = nullptr;
};

using MainWindowFactory = std::function<std::unique_ptr<win::Window>(HWND owner)>;

// The whole program: the application, the main window made by `create`
// (owned by the application window), the tool-window style and the loop.
// Failures go to the sink; a main window that cannot be created is reported
// and gives exit code 1.
int RunProgram(const win::FailureSink& failures, const MainWindowFactory& create) noexcept;

// Shows the window modally: every other window of the thread is disabled but
// stays visible until the window's modal loop ends; returns its modal result.
int ShowModal(win::Window& window);

}  // namespace app
