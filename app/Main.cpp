// Program entry: the compact window is the main window; closing it ends the process.
#include <windows.h>

#include "app/Application.h"
#include "ui/WnVazodivuDodiru.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  app::Application application;
  ui::TFmVazodivuDodiru mainWindow(application.Handle());
  application.SetMainWindow(&mainWindow);
  // Also when the main window's start sequence stopped early.
  application.SetToolWindowStyle();
  application.Run();
  return 0;
}
