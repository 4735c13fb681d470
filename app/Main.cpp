// Program entry: the compact window is the main window; closing it ends the process.
#include <windows.h>

#include <memory>

#include "app/Application.h"
#include "ui/WnVazodivuDodiru.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return app::RunProgram([](HWND owner) { return std::make_unique<ui::TFmVazodivuDodiru>(owner); });
}
