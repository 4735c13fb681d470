#include "win/Dpi.h"

#include "base/SystemFunction.h"
#include "win/Handles.h"

namespace win {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using SetProcessDpiAwarenessFunction = HRESULT(WINAPI*)(int);
using GetProcessDpiAwarenessFunction = HRESULT(WINAPI*)(HANDLE, int*);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

constexpr int kEffectiveDpi = 0;        // MDT_EFFECTIVE_DPI
constexpr int kPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE

}  // namespace

int DpiOf(HWND window) {
  static const auto getDpiForWindow =
      base::SystemFunction<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
  if (getDpiForWindow && window) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  static const auto getDpiForMonitor =
      base::SystemFunction<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (getDpiForMonitor &&
      SUCCEEDED(getDpiForMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST),
                                 kEffectiveDpi, &x, &y)) &&
      x != 0) {
    return static_cast<int>(x);
  }
  const WindowDcScope screen;
  const int dpi = screen.Dc() ? ::GetDeviceCaps(screen.Dc(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

void DeclareDpiAwareness() {
  // The manifest made it aware (per-monitor version 2 on Windows 10, per
  // monitor on 8.1, system-wide on 7): nothing to load or ask.
  if (::IsProcessDPIAware()) return;
  static const auto getProcessDpiAwareness =
      base::SystemFunction<GetProcessDpiAwarenessFunction>(L"shcore.dll", "GetProcessDpiAwareness");
  static const auto setProcessDpiAwareness =
      base::SystemFunction<SetProcessDpiAwarenessFunction>(L"shcore.dll", "SetProcessDpiAwareness");
  int awareness = 0;
  if (getProcessDpiAwareness && SUCCEEDED(getProcessDpiAwareness(nullptr, &awareness)) &&
      awareness != 0) {
    return;
  }
  if (setProcessDpiAwareness && SUCCEEDED(setProcessDpiAwareness(kPerMonitorDpiAware))) return;
  ::SetProcessDPIAware();
}

RECT OuterRect(const RECT& client, DWORD style, DWORD exStyle, int dpi) {
  static const auto adjustForDpi = base::SystemFunction<AdjustWindowRectExForDpiFunction>(
      L"user32.dll", "AdjustWindowRectExForDpi");
  RECT outer = client;
  if (!adjustForDpi || !adjustForDpi(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  }
  return outer;
}

}  // namespace win
