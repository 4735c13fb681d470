#!/usr/bin/env bash
# Builds the program and runs it against the project's web service on loopback
# port 80: offline on made-up reports, or with --live on real forecasts (this
# needs a machine with internet). With a display it runs on the screen until
# closed; without one it runs under Xvfb for a few seconds and saves a
# screenshot, whose path it prints.
#   run.sh [--live]
# WEATHER_FORECAST_URL points the live source at another forecast API (such as
# the fake one of the service's tests).
set -euo pipefail
source=synthetic
if [[ ${1:-} == --live ]]; then source=live; fi
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Weather -- -j2

# The program asks the built-in endpoints: the service on loopback port 80.
# Live, a caller on loopback has no public address: the location page names
# the default city.
options=(--source "$source" --port 80 --lifetime 3600)
if [[ $source == live ]]; then
  options+=(--default-city 北京)
  if [[ -n ${WEATHER_FORECAST_URL:-} ]]; then options+=(--forecast-url "$WEATHER_FORECAST_URL"); fi
fi
node service/server.js "${options[@]}" &
service=$!
trap 'kill $service 2>/dev/null || true' EXIT
sleep 1
kill -0 $service 2>/dev/null || { echo "the service could not listen on 127.0.0.1:80" >&2; exit 1; }

export WEATHER_WINEPREFIX=$root/build/windows/wineprefix
had_display=0
if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then had_display=1; fi
. tools/wine-env.sh
wine_env_up

cd build/windows/app   # the pictures lie beside the program, in image_Index
if ((had_display)); then
  wine Weather.exe
else
  wine Weather.exe &
  program=$!
  sleep "${WEATHER_RUN_SECONDS:-8}"
  # A desktop picture, so the see-through background shows; set once Wine's
  # desktop process has started, since it repaints the root window.
  convert -size 1280x800 gradient:'#4a7eb5-#1e3c64' "$root/build/desktop.png"
  display -window root "$root/build/desktop.png" || true
  mkdir -p "$root/build/screenshots"
  shot=$root/build/screenshots/compact-window.png
  import -window root "$shot"
  kill $program 2>/dev/null || true
  wine_env_down
  echo "screenshot: $shot"
fi
