#include "windows/support/WindowDriver.h"

#include "win/Text.h"

namespace testsupport {

void ClickAt(HWND host, POINT point, UINT downMessage, UINT upMessage) {
  const LPARAM position = MAKELPARAM(point.x, point.y);
  ::SendMessageW(host, downMessage, downMessage == WM_LBUTTONDOWN ? MK_LBUTTON : 0, position);
  ::SendMessageW(host, upMessage, 0, position);
}

void Click(const win::GraphicControl& control) {
  const RECT& area = control.Bounds();
  ClickAt(control.Host().Handle(),
          POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2});
}

void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

namespace {

std::string Utf8ToGbk(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  return win::Narrow(wide);
}

}  // namespace

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

std::string Utf8BodyAsGbk(const std::string& answer) {
  const size_t start = answer.find("\r\n\r\n");
  return Utf8ToGbk(start == std::string::npos ? std::string() : answer.substr(start + 4));
}

}  // namespace testsupport
