#!/usr/bin/env bash
# The performance figures of the README: the JSON reader against RapidJSON
# (native, Google Benchmark, medians of repetitions) and a whole report run of
# the full window under Wine (medians of timed runs).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target json_bench -- -j2
build/native/tests/bench/json_bench --benchmark_repetitions=9 \
  --benchmark_report_aggregates_only=true

cmake --preset windows >/dev/null
cmake --build --preset windows --target report_run_bench -- -j2
export WEATHER_WINEPREFIX=$PWD/build/windows/wineprefix
. tools/wine-env.sh
wine_env_up
(cd build/windows/app && wine ../tests/report_run_bench.exe "${1:-300}")
wine_env_down
