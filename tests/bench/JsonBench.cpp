// Parse throughput of the JSON reader against RapidJSON's DOM parser on the
// usual corpus and on a weather report, plus a weather report's full read.
//
// Defaults to 9 repetitions, reporting medians; a summary line per file
// gives the throughput ratio ours/RapidJSON (above 1: ours is faster).
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/Json.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Corpus {
  std::string name;
  std::string text;
};

std::vector<Corpus>& Corpora() {
  static std::vector<Corpus> corpora;
  return corpora;
}

void ParseOurs(benchmark::State& state, const std::string* text) {
  for (auto _ : state) {
    json::JsonDocumentPtr document = json::ParseJsonText(*text);
    if (!document) state.SkipWithError("no tree");
    benchmark::DoNotOptimize(document.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text->size()));
}

void ParseRapidJson(benchmark::State& state, const std::string* text) {
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(text->data(), text->size());
    if (document.HasParseError()) state.SkipWithError("parse error");
    benchmark::DoNotOptimize(&document);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text->size()));
}

// What one report run of the full window reads.
std::vector<std::string> ReportMemberNames() {
  std::vector<std::string> names = {"city",     "date_y",    "date",     "week",
                                    "fx1",      "fx2",       "index",    "index_d",
                                    "index48",  "index48_d", "index_uv", "index48_uv",
                                    "index_cl", "index_co",  "index_ls", "index_tr"};
  for (int n = 1; n <= 5; ++n) {
    for (const char* prefix : {"temp", "weather", "wind", "fl"}) {
      names.push_back(prefix + std::to_string(n));
    }
  }
  for (int n = 1; n <= 10; ++n) {
    names.push_back("img" + std::to_string(n));
    names.push_back("img_title" + std::to_string(n));
  }
  return names;
}

void ReadWholeReport(benchmark::State& state, const std::string* text) {
  const std::vector<std::string> names = ReportMemberNames();
  for (auto _ : state) {
    json::JsonDocumentPtr document = json::ParseJsonText(*text);
    const json::JsonNode* info =
        document ? json::FindMember(json::RootOf(*document), "weatherinfo") : nullptr;
    if (info == nullptr) {
      state.SkipWithError("no weatherinfo");
      break;
    }
    std::size_t total = 0;
    for (const std::string& name : names) {
      const json::JsonNode* member = json::FindMember(*info, name);
      if (member == nullptr) {
        state.SkipWithError(("no member " + name).c_str());
        break;
      }
      total += json::ValueText(*member).size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["members"] = static_cast<double>(names.size());
}

// Console output as usual, then one ratio line per file from the medians
// (or the single runs without repetitions). CPU time is compared: other
// processes on a shared machine inflate wall-clock time.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool single = run.repetitions <= 1 && run.run_type == Run::RT_Iteration;
      if (run.error_occurred || !(single || run.aggregate_name == "median")) continue;
      const double toMicroseconds = 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      times_[run.run_name.function_name] = {run.GetAdjustedCPUTime() * toMicroseconds,
                                            run.GetAdjustedRealTime() * toMicroseconds};
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nThroughput ratio ours/RapidJSON from median CPU times (goal >= 1.0):\n");
    for (const auto& [name, ours] : times_) {
      if (name.rfind("parse/ours/", 0) != 0) continue;
      const std::string file = name.substr(11);
      const auto rapid = times_.find("parse/rapidjson/" + file);
      if (rapid == times_.end() || ours.cpu <= 0) continue;
      std::printf("  %-22s %5.2f   ours %9.2f us, RapidJSON %9.2f us (wall-clock ratio %.2f)\n",
                  file.c_str(), rapid->second.cpu / ours.cpu, ours.cpu, rapid->second.cpu,
                  ours.real > 0 ? rapid->second.real / ours.real : 0.0);
    }
    const auto report = times_.find("report/parse_and_read_all_members");
    if (report != times_.end()) {
      std::printf(
          "Weather report parsed and every member read: %.2f us CPU, %.2f us wall clock"
          " (goal < 20 us)\n",
          report->second.cpu, report->second.real);
    }
    std::fflush(stdout);
  }

 private:
  struct Times {
    double cpu;
    double real;
  };
  std::map<std::string, Times> times_;  // microseconds
};

}  // namespace

int main(int argc, char** argv) {
  const std::string corpus_dir = std::string(WEATHER_TESTDATA_DIR) + "/json-corpus/";
  Corpora().push_back({"weather_report.json",
                       ReadFile(std::string(WEATHER_BENCH_DATA_DIR) + "/weather_report.json")});
  for (const char* name : {"twitter.json", "citm_catalog.json", "canada.json"}) {
    Corpora().push_back({name, ReadFile(corpus_dir + name)});
  }
  for (const Corpus& corpus : Corpora()) {
    benchmark::RegisterBenchmark(("parse/ours/" + corpus.name).c_str(), ParseOurs, &corpus.text)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("parse/rapidjson/" + corpus.name).c_str(), ParseRapidJson,
                                 &corpus.text)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("report/parse_and_read_all_members", ReadWholeReport,
                               &Corpora().front().text)
      ->Unit(benchmark::kMicrosecond);

  // Medians of several runs unless asked otherwise: the machine is noisy.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=9";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  bool has_repetitions = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0) has_repetitions = true;
  }
  if (!has_repetitions) {
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
