// Where the compact window's start goes: each step of creating it timed on
// its own, in a fresh process as the program meets them. Run under Wine
// against the service on loopback (tools/bench.sh).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/ErrorReport.h"
#include "app/Services.h"
#include "ui/WnVazodivuDodiru.h"
#include "weather/Location.h"
#include "win/Controls.h"

namespace {

using Clock = std::chrono::steady_clock;

void Step(const char* name, const std::function<void()>& step) {
  const auto start = Clock::now();
  step();
  std::printf("  %-44s %8.2f ms\n", name,
              std::chrono::duration<double, std::milli>(Clock::now() - start).count());
}

}  // namespace

int main() {
  // A refused location is expected below: no message box.
  app::Services services = app::SystemServices();
  services.report = [](const std::string&) {};
  std::printf("steps of the first start, in order:\n");
  std::unique_ptr<app::Application> application;
  Step("application (COM apartment, owner window)",
       [&] { application = std::make_unique<app::Application>(services.report); });
  Step("the installed faces of the four fonts", [] {
    for (const wchar_t* face :
         {L"\u5B8B\u4F53", L"\u6C49\u4EEA\u884C\u6977\u7E41", L"\u96B6\u4E66", L"MS Sans Serif"}) {
      win::InstalledFace(face);
    }
  });
  Step("one character drawn in each face", [] {
    const HDC dc = ::GetDC(nullptr);
    for (const wchar_t* face :
         {L"\u5B8B\u4F53", L"\u6C49\u4EEA\u884C\u6977\u7E41", L"\u96B6\u4E66", L"MS Sans Serif"}) {
      const auto start = Clock::now();
      LOGFONTW font{};
      font.lfHeight = -13;
      font.lfCharSet = GB2312_CHARSET;
      win::InstalledFace(face).copy(font.lfFaceName, LF_FACESIZE - 1);
      const HFONT handle = ::CreateFontIndirectW(&font);
      const HGDIOBJ old = ::SelectObject(dc, handle);
      RECT area{};
      ::DrawTextW(dc, L"\u6674", 1, &area, DT_CALCRECT);
      ::SelectObject(dc, old);
      ::DeleteObject(handle);
      std::printf("    %-40ls %8.2f ms\n", win::InstalledFace(face).c_str(),
                  std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    ::ReleaseDC(nullptr, dc);
  });
  Step("location page", [&] { weather::FetchLocationPage(services.location); });
  Step("report request object", [&] { services.createReportRequest(); });
  std::unique_ptr<ui::TFmVazodivuDodiru> window;
  Step("compact window with its start sequence",
       [&] { window = std::make_unique<ui::TFmVazodivuDodiru>(services, application->Handle()); });
  Step("show and paint", [&] {
    ::ShowWindow(window->Handle(), SW_SHOW);
    ::UpdateWindow(window->Handle());
  });
  std::printf("the same steps again, warm (median of 15):\n");
  app::Services unreachable = services;
  unreachable.location.port = 9;  // discard: refused at once
  std::vector<std::pair<const char*, std::function<void()>>> warm = {
      {"layout only (location unreachable)",
       [&] { ui::TFmVazodivuDodiru bare(unreachable, application->Handle()); }},
      {"city list loaded", [&] { window->ComboBox1->LoadCityCodes(); }},
      {"report run", [&] { window->RunReport(); }},
      {"autorun caption", [&] { window->RefreshAutoRunCaption(); }},
      {"whole start sequence", [&] { window->FormCreate(); }},
      {"whole compact window",
       [&] { ui::TFmVazodivuDodiru again(services, application->Handle()); }},
  };
  for (const auto& [name, step] : warm) {
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
      const auto start = Clock::now();
      step();
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("  %-44s %8.2f ms\n", name, times[times.size() / 2]);
  }
  return 0;
}
