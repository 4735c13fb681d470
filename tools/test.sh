#!/usr/bin/env bash
# Builds and runs every test: the portable code natively (plain and under
# AddressSanitizer/UndefinedBehaviorSanitizer), a short fuzz run of the JSON
# reader, and the Windows build's tests under Wine. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
jobs=${WEATHER_JOBS:-2}

step() { printf '\n==== %s\n' "$*"; }

step "native build and tests"
cmake --preset native -DWEATHER_WERROR=ON >/dev/null
cmake --build --preset native -- -j"$jobs"
ctest --preset native -j"$jobs"

step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-asan -DWEATHER_WERROR=ON >/dev/null
cmake --build --preset native-asan -- -j"$jobs"
ctest --preset native-asan -j"$jobs"

step "fuzzing the JSON reader, the location cutter and the HTTP answer parser"
for target in json location http; do
  bash tools/fuzz.sh "$target" "${WEATHER_FUZZ_SECONDS:-30}"
done

step "Windows build and tests under Wine"
cmake --preset windows -DWEATHER_WERROR=ON >/dev/null
cmake --build --preset windows -- -j"$jobs"
export WEATHER_WINEPREFIX=$PWD/build/windows/wineprefix
. tools/wine-env.sh
wine_env_up
status=0
ctest --preset windows -j"$jobs" || status=$?
wine_env_down
exit $status
