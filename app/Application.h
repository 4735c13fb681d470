// The application object: the GUI thread's COM apartment, the hidden
// application window that owns every window, the main window and the loops.
#pragma once

#include <windows.h>

#include "ui/Window.h"

namespace app {

class ApplicationWindow : public ui::Window {
 public:
  ApplicationWindow();
};

class Application {
 public:
  // Joins the thread to a single-threaded COM apartment before any window exists.
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one instance while it lives (windows find their owner through it).
  static Application& Current();

  HWND Handle() const noexcept { return window_.Handle(); }

  // A tool window has no taskbar button: exactly WS_EX_TOOLWINDOW, nothing else.
  void SetToolWindowStyle();

  // The first window created; its destruction ends the message loop.
  void SetMainWindow(ui::Window* window) noexcept { mainWindow_ = window; }
  ui::Window* MainWindow() const noexcept { return mainWindow_; }
  void MainWindowDestroyed();

  // Shows the main window and runs the message loop until it is closed.
  int Run();

 private:
  bool comInitialized_ = false;
  ApplicationWindow window_;
  ui::Window* mainWindow_ = nullptr;
};

// Shows the window modally: every other window of the thread is disabled but
// stays visible until the window's modal loop ends; returns its modal result.
int ShowModal(ui::Window& window);

}  // namespace app
