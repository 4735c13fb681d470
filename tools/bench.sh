#!/usr/bin/env bash
# The performance figures of the README: the JSON reader against RapidJSON
# (native, Google Benchmark, medians of repetitions) and a whole report run of
# the full window under Wine (medians of timed runs).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target json_bench -- -j2
# Several runs of 9 repetitions each (interleaved at random, so that load that
# comes and goes hits both parsers alike); the README quotes the median and
# the range of the runs' ratios.
runs=${WEATHER_JSON_BENCH_RUNS:-5}
ratios=$(mktemp)
for run in $(seq "$runs"); do
  echo "== JSON reader against RapidJSON, run $run of $runs"
  build/native/tests/bench/json_bench --benchmark_repetitions=9 \
    --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true |
    tee /dev/stderr | awk '/^Throughput ratio/ { on = 1; next } on && /RapidJSON/ { print $1, $2, $4, $7 }' >>"$ratios"
done 2>&1
echo "== Ratio ours/RapidJSON over $runs runs: median (range); median CPU times of ours and RapidJSON"
sort -k1,1 -k2,2n "$ratios" | awk '
  function report() {
    if (n == 0) return
    printf "  %-22s %.2f (%.2f-%.2f)   ours %.2f us, RapidJSON %.2f us\n", file, r[int((n + 1) / 2)], r[1], r[n], ours[int((n + 1) / 2)], rapid[int((n + 1) / 2)]
  }
  $1 != file { report(); file = $1; n = 0 }
  { ++n; r[n] = $2; ours[n] = $3; rapid[n] = $4 }
  END { report() }'
rm -f "$ratios"

cmake --preset windows >/dev/null
cmake --build --preset windows --target report_run_bench -- -j2
export WEATHER_WINEPREFIX=$PWD/build/windows/wineprefix
. tools/wine-env.sh
wine_env_up
(cd build/windows/app && wine ../tests/report_run_bench.exe "${1:-300}")
wine_env_down
