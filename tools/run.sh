#!/usr/bin/env bash
# Builds the program and runs it against the project's web service on loopback
# port 80: offline on made-up reports, or with --live on real forecasts (this
# needs a machine with internet). With a display it runs on the screen until
# closed; without one it runs under Xvfb for a few seconds and saves two
# screenshots, the compact window and then the full window opened by a click
# on its picture, and prints their paths.
#   run.sh [--live] [--dpi N]
# --dpi runs it on a desktop of N dots per inch (with ClearType font
# smoothing, as on Windows), in a Wine prefix of its own and, headless, on a
# screen as much larger as 1280 x 800 at 96 dpi.
# WEATHER_FORECAST_URL points the live source at another forecast API (such as
# the fake one of the service's tests).
set -euo pipefail
source=synthetic
dpi=
usage() { sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//p}' "$0"; }
while (($#)); do
  case $1 in
    --live) source=live ;;
    --dpi)
      if (($# < 2)) || [[ ! $2 =~ ^[1-9][0-9]*$ ]]; then
        echo "run.sh: --dpi needs a number of dots per inch, e.g. --dpi 144" >&2
        exit 2
      fi
      dpi=$2
      shift
      ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done
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
scale() { echo $((($1 * ${dpi:-96} + 48) / 96)); }
if [[ -n $dpi ]]; then
  export WEATHER_WINEPREFIX=$root/build/windows/wineprefix-run-${dpi}dpi
  export WEATHER_WINE_DPI=$dpi WEATHER_WINE_FONT_SMOOTHING=cleartype
  export WEATHER_XVFB_SIZE=$(scale 1280)x$(scale 800)
fi
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
  screen=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
  convert -size "$screen" gradient:'#4a7eb5-#1e3c64' "$root/build/desktop.png"
  display -window root "$root/build/desktop.png" || true
  mkdir -p "$root/build/screenshots"
  suffix=${dpi:+-${dpi}dpi}
  shot=$root/build/screenshots/compact-window$suffix.png
  import -window root "$shot"
  echo "screenshot: $shot"
  # Day 2's night picture opens the full window.
  xdotool mousemove $((${screen%x*} - $(scale 320) + $(scale 92))) $(scale 170) click 1
  sleep "${WEATHER_RUN_SECONDS:-8}"
  shot=$root/build/screenshots/full-window$suffix.png
  import -window root "$shot"
  echo "screenshot: $shot"
  kill $program 2>/dev/null || true
  wine_env_down
fi
