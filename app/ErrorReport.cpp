#include "app/ErrorReport.h"

#include <windows.h>

#include <utility>

#include "win/Text.h"

namespace app {
namespace {

void ShowMessageBox(const std::string& title, const std::string& text) {
  // Owned by the active window so the box is modal to what the user is looking at.
  ::MessageBoxW(::GetActiveWindow(), win::Widen(text).c_str(), win::Widen(title).c_str(),
                MB_OK | MB_ICONSTOP);
}

ErrorReportSink& CurrentSink() {
  static ErrorReportSink sink = ShowMessageBox;
  return sink;
}

}  // namespace

std::string ApplicationTitleFromPath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  // Walk whole characters: a GBK lead byte takes its trail byte with it.
  const auto width = [&name](size_t i) {
    return static_cast<unsigned char>(name[i]) >= 0x81 && i + 1 < name.size() ? 2 : 1;
  };
  for (size_t i = name.empty() ? 0 : width(0); i < name.size(); i += width(i)) {
    const unsigned char byte = static_cast<unsigned char>(name[i]);
    if (byte >= 'A' && byte <= 'Z') name[i] = static_cast<char>(byte - 'A' + 'a');
  }
  return name;
}

std::string ApplicationTitle() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return ApplicationTitleFromPath(win::Narrow(std::wstring_view(path, length)));
}

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

ErrorReportSink SetErrorReportSink(ErrorReportSink sink) {
  return std::exchange(CurrentSink(), std::move(sink));
}

void ShowErrorReport(const std::string& message) {
  CurrentSink()(ApplicationTitle(), ErrorReportText(message));
}

}  // namespace app
