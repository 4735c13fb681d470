// Drives real windows the way a user would: mouse messages at control
// positions, and GBK texts for comparing what controls show.
#pragma once

#include <windows.h>

#include <string>

#include "win/Controls.h"

namespace testsupport {

// A click (button down and up) at a client point of a host window.
void ClickAt(HWND host, POINT point, UINT downMessage = WM_LBUTTONDOWN,
             UINT upMessage = WM_LBUTTONUP);
// A click in the middle of a windowless control.
void Click(const win::GraphicControl& control);

// Dispatches what is waiting in the thread's queue.
void PumpMessages();

// UTF-8 source text as the GBK bytes the program keeps.
std::string Gbk(const char* utf8);

// The body of an HTTP answer, converted from UTF-8 to GBK.
std::string Utf8BodyAsGbk(const std::string& answer);

}  // namespace testsupport
