#include "app/ErrorReport.h"

#include <windows.h>

#include <iterator>
#include <utility>

#include "weather/ErrorReportText.h"
#include "win/Text.h"

namespace app {
namespace {

void ShowMessageBox(const std::string& title, const std::string& text) {
  // Owned by the active window so the box is modal to what the user is looking at.
  ::MessageBoxW(::GetActiveWindow(), win::Widen(text).c_str(), win::Widen(title).c_str(),
                MB_OK | MB_ICONSTOP);
}

}  // namespace

std::string ApplicationTitle() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return weather::ApplicationTitleFromPath(win::Narrow(std::wstring_view(path, length)));
}

win::FailureSink ErrorReport(ErrorReportBox box) {
  if (!box) box = ShowMessageBox;
  return [box = std::move(box)](const std::string& message) {
    box(ApplicationTitle(), weather::ErrorReportText(message));
  };
}

}  // namespace app
