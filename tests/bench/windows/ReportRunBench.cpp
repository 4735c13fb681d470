// How long one report run of the full window takes on this machine: fetch from
// the local stand-in over loopback, parse, every display item, every picture.
// Prints medians over many runs; run under Wine (tools/bench.sh).
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "weather/Report.h"
#include "weather/ReportItems.h"
#include "weather/XmlHttpRequest.h"
#include "win/Bitmap.h"
#include "windows/support/StandIn.h"

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::micro>(duration).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Everything the full window's display step computes, pictures loaded.
size_t DisplayEverything(const json::JsonNode& member, bool loadPictures) {
  size_t bytes = 0;
  const weather::LocalClock clock = weather::SystemClock();
  for (int n = 1; n <= 5; ++n) {
    bytes += weather::DayDateText(member, n, clock).size();
    bytes += weather::KeyText(member, "temp" + std::to_string(n)).size();
    bytes += weather::KeyText(member, "weather" + std::to_string(n)).size();
    bytes += weather::DaySkyText(member, n).size();
    bytes += weather::DayWindText(member, n).size();
    bytes += weather::KeyText(member, "fl" + std::to_string(n)).size();
    for (const std::string& path :
         {weather::DayIconFile(member, n), weather::NightIconFile(member, n)}) {
      if (loadPictures) bytes += win::LoadBitmapFile(path) ? 1 : 0;
    }
  }
  for (auto item :
       {weather::ClothingText24, weather::ClothingText48, weather::UvText24, weather::UvText48,
        weather::ExerciseText, weather::ComfortText, weather::DryingText, weather::TravelText}) {
    bytes += item(member).size();
  }
  for (const char* name : {"city", "date", "date_y", "week", "temp1", "weather1", "wind1"}) {
    bytes += weather::KeyText(member, name).size();
  }
  bytes +=
      weather::StringText(member, "date_y").size() + weather::StringText(member, "date").size();
  if (loadPictures) {
    bytes += win::LoadBitmapFile(weather::DayIconFile(member, 1)) ? 1 : 0;
    bytes += win::LoadBitmapFile(weather::NightIconFile(member, 1)) ? 1 : 0;
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 200;
  ::CoInitialize(nullptr);
  {
    testsupport::StandIn standIn;
    const std::string url = weather::MakeReportUrl(standIn.HostAndPort(), "101290101");
    const std::string errorPageUrl = weather::MakeReportUrl(standIn.HostAndPort(), "");
    std::vector<double> emptyFetch, fetch, parse, items, pictures, whole;
    size_t sink = 0;
    for (int i = 0; i < runs + 5; ++i) {
      const auto t0 = Clock::now();
      sink += weather::FetchReportText(errorPageUrl).size();  // baseline: a short page
      const auto t1 = Clock::now();
      const std::string text = weather::FetchReportText(url);
      const auto t2 = Clock::now();
      const weather::ReportMember report = weather::FindReportMember(text);
      const auto t3 = Clock::now();
      sink += DisplayEverything(*report.weatherinfo, false);
      const auto t4 = Clock::now();
      sink += DisplayEverything(*report.weatherinfo, true);
      const auto t5 = Clock::now();
      if (i < 5) continue;  // warm-up
      emptyFetch.push_back(Microseconds(t1 - t0));
      fetch.push_back(Microseconds(t2 - t1));
      parse.push_back(Microseconds(t3 - t2));
      items.push_back(Microseconds(t4 - t3));
      pictures.push_back(Microseconds((t5 - t4) - (t4 - t3)));
      whole.push_back(Microseconds((t2 - t1) + (t3 - t2) + (t5 - t4)));
    }
    std::printf("report run of the full window, median of %d runs (microseconds)\n", runs);
    std::printf("  fetch of a short error page (baseline) %10.1f\n", Median(emptyFetch));
    std::printf("  fetch of the report (%zu bytes)      %10.1f\n",
                weather::FetchReportText(url).size(), Median(fetch));
    std::printf("  parse and find \"weatherinfo\"           %10.1f\n", Median(parse));
    std::printf("  every display item                     %10.1f\n", Median(items));
    std::printf("  load the 12 pictures                   %10.1f\n", Median(pictures));
    std::printf("  whole run                              %10.1f\n", Median(whole));
    std::printf("  whole run / baseline fetch             %10.2f\n",
                Median(whole) / Median(emptyFetch));
    if (sink == 0) std::printf("(nothing computed)\n");
  }
  ::CoUninitialize();
  return 0;
}
