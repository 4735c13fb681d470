#!/usr/bin/env bash
# Builds one libFuzzer target (clang-14) and runs it for a bounded time from
# its seeds and dictionary. Exits non-zero when the fuzzer finds a crash, a
# broken invariant, a leak or a hang; the input is left in the artifacts folder.
#   tools/fuzz.sh TARGET [SECONDS]    TARGET: json, location or http; default 30 s
#     json      the JSON reader (seeds: the JSON parsing test suite, a weather report)
#     location  the location cutter and the city name
#     http      the HTTP answer parser, fed in pieces
# WEATHER_FUZZ_BUILD_DIR chooses the build folder (default build/fuzz, the "fuzz" preset's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: tools/fuzz.sh json|location|http [SECONDS]}
seconds=${2:-30}
build=${WEATHER_FUZZ_BUILD_DIR:-$root/build/fuzz}
testdata=$root/tests/data

case $target in
  json) max_len=65536 ;;
  location) max_len=4096 ;;
  http) max_len=8192 ;;
  *) echo "unknown fuzz target '$target' (json, location, http)" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 \
  -DWEATHER_FUZZ=ON -DWEATHER_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${target}_fuzz" -- -j"${WEATHER_JOBS:-2}"

# The working corpus grows between runs; the seeds are copied in each time.
corpus=$build/$target-fuzz-corpus
artifacts=$build/$target-fuzz-artifacts
mkdir -p "$corpus" "$artifacts"
if [ "$target" = json ]; then
  cp "$testdata"/JSONTestSuite/test_parsing/*.json "$corpus"/
  cp "$root"/tests/bench/weather_report.json "$corpus"/
else
  cp "$root"/tests/fuzz/seeds/"$target"/* "$corpus"/
fi

echo "fuzzing $target for ${seconds}s"
"$build"/tests/fuzz/"${target}_fuzz" "$corpus" \
  -dict="$root"/tests/fuzz/"$target".dict \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
  -artifact_prefix="$artifacts"/ -print_final_stats=1
