// Time from process start to a painted window, the same probe for any
// program: start it, then watch (every millisecond) until a top-level window
// of the given class is visible and has no part left to paint. Prints the
// median and range over alternating runs of the programs named, and each
// program's median over the first one's. Run under Wine (tools/bench.sh).
//   startup_probe RUNS CLASS1 PROGRAM1 [CLASS2 PROGRAM2 ...]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Target {
  std::wstring windowClass;
  std::wstring program;
  std::vector<double> milliseconds;
};

// Milliseconds until the window is up and painted; negative when it never was.
double TimeOneStart(const Target& target) {
  std::wstring commandLine = L"\"" + target.program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const auto start = Clock::now();
  if (!::CreateProcessW(target.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  double elapsed = -1;
  const auto deadline = start + std::chrono::seconds(20);
  while (Clock::now() < deadline) {
    const HWND window = ::FindWindowW(target.windowClass.c_str(), nullptr);
    if (window && ::IsWindowVisible(window) && !::GetUpdateRect(window, nullptr, FALSE)) {
      elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
    if (::WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  ::TerminateProcess(process.hProcess, 0);
  ::WaitForSingleObject(process.hProcess, 5000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: startup_probe RUNS CLASS PROGRAM [CLASS PROGRAM ...]\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  std::vector<Target> targets;
  for (int i = 2; i + 1 < argc; i += 2) targets.push_back({argv[i], argv[i + 1], {}});
  // One warm-up start each (disk cache, Wine's services), then alternate.
  for (Target& target : targets) TimeOneStart(target);
  for (int run = 0; run < runs; ++run) {
    for (Target& target : targets) {
      const double ms = TimeOneStart(target);
      if (ms < 0) {
        std::fwprintf(stderr, L"%ls never showed a painted %ls window\n", target.program.c_str(),
                      target.windowClass.c_str());
        return 1;
      }
      target.milliseconds.push_back(ms);
    }
  }
  const double base = Median(targets.front().milliseconds);
  std::printf("process start to painted window, %d runs each (ms): median [min, max], ratio\n",
              runs);
  for (const Target& target : targets) {
    const auto [low, high] =
        std::minmax_element(target.milliseconds.begin(), target.milliseconds.end());
    std::printf("  %-24ls %7.1f [%6.1f, %6.1f]  %.2f\n", target.windowClass.c_str(),
                Median(target.milliseconds), *low, *high, Median(target.milliseconds) / base);
  }
  return 0;
}
