// Dots per inch: the windows are designed at 96 and drawn at their monitor's
// dpi, every length scaled by dpi / 96.
#pragma once

#include <windows.h>

namespace win {

inline constexpr int kDesignDpi = 96;

// A design length at another dpi, rounded to the nearest pixel (halves away
// from zero), so that 96 gives every length back unchanged.
constexpr int Scale(int length, int dpi) {
  const long long product = static_cast<long long>(length) * dpi;
  return static_cast<int>(product >= 0 ? (product + kDesignDpi / 2) / kDesignDpi
                                       : -((-product + kDesignDpi / 2) / kDesignDpi));
}

// A line or bevel width at a dpi: whole pixels, never thinner than one.
constexpr int LineWidth(int dpi) { return Scale(1, dpi) < 1 ? 1 : Scale(1, dpi); }

// The dpi a window is drawn at: its monitor's on Windows 8.1 and later (the
// program is per-monitor aware), the system's before.
int DpiOf(HWND window);

// Per-monitor awareness for systems that do not read it from the manifest
// (Windows 8.1 asks the shell's API, Windows 7 only knows system awareness).
// Call before any window exists; a process that is already aware is left so.
void DeclareDpiAwareness();

// The outer size of a window whose client area is given, at a dpi.
RECT OuterRect(const RECT& client, DWORD style, DWORD exStyle, int dpi);

}  // namespace win
