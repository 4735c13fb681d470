#!/usr/bin/env bash
# Builds and runs every test: the web service's own tests (Node's test runner),
# the portable code natively (plain and under AddressSanitizer/
# UndefinedBehaviorSanitizer), a short fuzz run of each of the JSON reader, the
# location cutter and the HTTP answer parser, and the Windows build's tests
# under Wine (several desktops: dpi, font smoothing) and of the release
# package. Warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
jobs=${WEATHER_JOBS:-2}

step() { printf '\n==== %s\n' "$*"; }
# ctest names a skipped test without its reason: print the reasons.
skips() { python3 tools/skip_reasons.py "build/$1/Testing/Temporary/LastTest.log"; }

step "service tests"
(cd service && node --test test/*.test.js)

step "native build and tests"
cmake --preset native -DWEATHER_WERROR=ON >/dev/null
cmake --build --preset native -- -j"$jobs"
ctest --preset native -j"$jobs"
skips native

step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-asan -DWEATHER_WERROR=ON >/dev/null
cmake --build --preset native-asan -- -j"$jobs"
ctest --preset native-asan -j"$jobs"
skips native-asan

step "fuzzing the JSON reader, the location cutter and the HTTP answer parser"
for target in json location http; do
  bash tools/fuzz.sh "$target" "${WEATHER_FUZZ_SECONDS:-30}"
done

step "Windows build and tests under Wine"
cmake --preset windows -DWEATHER_WERROR=ON >/dev/null
cmake --build --preset windows -- -j"$jobs"
export WEATHER_WINEPREFIX=$PWD/build/windows/wineprefix
# A screen that holds the full window at 200 %, for the tests at other dpis.
export WEATHER_XVFB_SIZE=${WEATHER_XVFB_SIZE:-2560x1600}
. tools/wine-env.sh
wine_env_up
status=0
echo "(windows.package and windows.release_reproducible build the release themselves:" \
  "about 2 and 3.5 minutes, with no output meanwhile)"
ctest --preset windows -j"$jobs" || status=$?
skips windows
# The prefixes of other desktops (dpi, font smoothing) have servers of their own.
for prefix in "$PWD"/build/windows/wineprefix-*/; do
  [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
done
wine_env_down
exit $status
