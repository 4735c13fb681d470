#include "app/Services.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "app/ErrorReport.h"
#include "base/SystemFunction.h"
#include "weather/Location.h"
#include "weather/XmlHttpRequest.h"
#include "win/Text.h"

namespace app {

Services SystemServices() {
  return Services{
      weather::LocationEndpoint(),
      [](std::string_view cityCode) { return weather::MakeReportUrl(cityCode); },
      [] { return weather::CreateXmlHttpReportRequest(); },
      [](const std::string& text) {
        // The shell is loaded on the first click, not with the program:
        // every start would pay for it.
        static const auto shellExecute =
            base::SystemFunction<decltype(&::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
        if (shellExecute) {
          shellExecute(nullptr, L"Open", win::Widen(text).c_str(), L"", nullptr, SW_SHOWNORMAL);
        }
      },
      weather::SystemClock(),
      ErrorReport(),
  };
}

}  // namespace app
