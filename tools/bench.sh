#!/usr/bin/env bash
# The performance figures of the README: the JSON reader against RapidJSON
# (native, Google Benchmark, medians of repetitions), a whole report run of
# the full window under Wine (medians of timed runs), and the time from
# process start to the painted compact window under Wine against a bare Win32
# window, by the same probe, alternating (medians and ranges, several rounds).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target json_bench -- -j2
# Several runs of 9 repetitions each (interleaved at random, so that load that
# comes and goes hits both parsers alike); the README quotes the median and
# the range over the runs.
runs=${WEATHER_JSON_BENCH_RUNS:-5}
output=$(mktemp)
summaries=$(mktemp)
for run in $(seq "$runs"); do
  echo "== JSON reader against RapidJSON, run $run of $runs"
  build/native/tests/bench/json_bench --benchmark_repetitions=9 \
    --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true >"$output"
  cat "$output"
  sed -n '/^Throughput ratio/,$p' "$output" >>"$summaries"
done
echo "== Over $runs runs: median (range)"
python3 - "$summaries" <<'PY'
import re, statistics, sys
rows = {}
for line in open(sys.argv[1]):
    m = re.match(r"\s+(\S+)\s+([\d.]+)\s+ours\s+([\d.]+) us, RapidJSON\s+([\d.]+) us", line)
    if m:
        rows.setdefault(m[1], []).append([float(x) for x in m.groups()[1:]])
    m = re.match(r"Weather report parsed and every member read: ([\d.]+) us CPU", line)
    if m:
        rows.setdefault("report read", []).append([float(m[1])])
def figure(values, unit=""):
    return f"{statistics.median(values):.2f}{unit} ({min(values):.2f}-{max(values):.2f})"
for name, values in rows.items():
    columns = list(zip(*values))
    if name == "report read":
        print(f"  weather report parsed and 56 members read: {figure(columns[0], ' us')} CPU")
    else:
        print(f"  {name:22} ratio {figure(columns[0])}   ours {figure(columns[1], ' us')}"
              f"   RapidJSON {figure(columns[2], ' us')}")
PY
rm -f "$output" "$summaries"

cmake --preset windows >/dev/null
cmake --build --preset windows --target report_run_bench startup_probe bare_window Weather -- -j2
export WEATHER_WINEPREFIX=$PWD/build/windows/wineprefix
. tools/wine-env.sh
wine_env_up
(cd build/windows/app && wine ../tests/report_run_bench.exe "${1:-300}")

# The program asks its built-in endpoints: the web service on loopback port 80.
node service/server.js --port 80 --lifetime 3600 >/dev/null 2>&1 &
service=$!
trap 'kill $service 2>/dev/null || true' EXIT
sleep 1
if kill -0 $service 2>/dev/null; then
  bare=$(winepath -w "$PWD/build/windows/tests/bare_window.exe")
  program=$(winepath -w "$PWD/build/windows/app/Weather.exe")
  rounds=${WEATHER_STARTUP_ROUNDS:-3}
  for round in $(seq "$rounds"); do
    echo "== Start-up, round $round of $rounds"
    # Run where the program runs: beside image_Index.
    (cd build/windows/app && wine ../tests/startup_probe.exe "${WEATHER_STARTUP_RUNS:-31}" \
      BareWindow "$bare" TFmVazodivuDodiru "$program")
  done
else
  echo "port 80 is taken: no start-up figures"
fi
wine_env_down
