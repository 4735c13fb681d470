#!/usr/bin/env bash
# Builds the JSON reader's libFuzzer target (clang-14) and runs it for a
# bounded time, seeded from the JSON parsing test suite and a weather report.
# Exits non-zero when the fuzzer finds a crash, leak or hang.
#   tools/fuzz.sh [SECONDS]    default 30
# WEATHER_FUZZ_BUILD_DIR chooses the build folder (default build/fuzz, the "fuzz" preset's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=${WEATHER_FUZZ_BUILD_DIR:-$root/build/fuzz}
shared=${WEATHER_SHARED_DIR:-$root/../shared}

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 \
  -DWEATHER_FUZZ=ON -DWEATHER_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target json_fuzz -- -j"${WEATHER_JOBS:-2}"

# The working corpus grows between runs; the seeds are copied in each time.
corpus=$build/json-fuzz-corpus
artifacts=$build/json-fuzz-artifacts
mkdir -p "$corpus" "$artifacts"
cp "$shared"/testdata/JSONTestSuite/test_parsing/*.json "$corpus"/
cp "$root"/tests/bench/weather_report.json "$corpus"/

echo "fuzzing the JSON reader for ${seconds}s"
"$build"/tests/fuzz/json_fuzz "$corpus" \
  -dict="$root"/tests/fuzz/json.dict \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$artifacts"/ -print_final_stats=1
