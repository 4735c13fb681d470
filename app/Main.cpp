// Program entry: the collaborators are chosen here, once; the compact window
// is the main window, and closing it ends the process.
#include <windows.h>

#include <memory>

#include "app/Application.h"
#include "app/Services.h"
#include "ui/WnVazodivuDodiru.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const app::Services services = app::SystemServices();
  return app::RunProgram(services.report, [&services](HWND owner) {
    return std::make_unique<ui::TFmVazodivuDodiru>(services, owner);
  });
}
