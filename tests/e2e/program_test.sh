#!/usr/bin/env bash
# The whole program, as a user meets it: Weather.exe under Wine asks its
# built-in endpoints (the web service on loopback port 80), floats see-through in
# the top-right corner, and a click on its fourth picture ends the process
# with exit code 0. With font smoothing on, no pixel of the panel may be a
# blend of its texts or pictures with the key colour.
#   program_test.sh SOURCE_DIR BUILD_DIR [PREFIX]
# The prefix (default BUILD_DIR/wineprefix) is made with the desktop that
# WEATHER_WINE_DPI and WEATHER_WINE_FONT_SMOOTHING name (tools/wine-env.sh).
set -euo pipefail
source_dir=$1
build_dir=$2
skip=77

export WEATHER_WINEPREFIX=${3:-$build_dir/wineprefix}
dpi=${WEATHER_WINE_DPI:-96}
scale() { echo $((($1 * dpi + 48) / 96)); }
. "$source_dir/tools/wine-env.sh"
wine_env_up

node "$source_dir/service/server.js" --port 80 --lifetime 120 >/dev/null 2>&1 &
service=$!
program=
cleanup() {
  kill "$service" 2>/dev/null || true
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1
if ! kill -0 "$service" 2>/dev/null; then
  echo "port 80 is not free here: skipped"
  exit $skip
fi

desktop=$build_dir/e2e-desktop.png
screen=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
convert -size "$screen" gradient:'#4a7eb5-#1e3c64' -depth 8 "PNG24:$desktop"

cd "$build_dir/app"
wine Weather.exe &
program=$!

width=${screen%x*}
left=$((width - $(scale 320)))
shot=$build_dir/e2e-compact.png
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

# Wait for the window: the city name (blue) appears in the top-right corner.
found=0
for _ in $(seq 1 60); do
  sleep 0.5
  import -window root "$shot"
  if convert "$shot" -crop "$(scale 64)x$(scale 32)+$((left + $(scale 24)))+$(scale 53)" +repage \
       -fill black +opaque '#0000ff' \
       -format '%[fx:mean>0]' info: | grep -q 1; then
    found=1
    break
  fi
done
[ $found = 1 ] || { echo "FAIL: the compact window never showed its city in the corner"; exit 1; }

# Between the texts the desktop shows through. The desktop picture goes up
# now: Wine's desktop process repaints the root window while it starts. The
# panel is repainted over it: a screenshot taken in between may catch it
# half drawn, so the checks look again, up to three times, before failing.
display -window root "$desktop" || true
see_through() {
  import -window root "$shot"
  background=$(pixel "$shot" $((left + $(scale 300))) $(scale 120))
  expected=$(pixel "$desktop" $((left + $(scale 300))) $(scale 120))
  if [ "$background" != "$expected" ]; then
    echo "FAIL: background $background is not the desktop's $expected"
    return 1
  fi
  echo "see-through background and the city name in the top-right corner at $dpi dpi: ok"
  [ -z "${WEATHER_WINE_FONT_SMOOTHING:-}" ] ||
    python3 "$source_dir/tests/e2e/check_edges.py" "$shot" "$desktop" "$left" 0 "$dpi" \
      "$build_dir/app/image_Index"
}
for attempt in 1 2 3; do
  sleep 0.5
  if see_through; then break; fi
  [ $attempt = 3 ] && exit 1
done

# A click on day 2's day picture closes the main window and ends the process.
xdotool mousemove $((left + $(scale 51))) $(scale 170) click 1
status=0
for _ in $(seq 1 40); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$program" 2>/dev/null; then echo "FAIL: the program did not end"; exit 1; fi
wait "$program" || status=$?
program=
[ $status = 0 ] || { echo "FAIL: exit code $status"; exit 1; }
echo "closed by its picture, exit code 0: ok"
