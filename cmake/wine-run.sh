#!/usr/bin/env bash
# Runs one Windows program under Wine in a prefix of the build:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# Starts Xvfb when there is no display and keeps one wineserver alive. The
# prefix's desktop follows WEATHER_WINE_DPI and WEATHER_WINE_FONT_SMOOTHING
# (tools/wine-env.sh) when it is made.
set -eu
export WEATHER_WINEPREFIX=$1
shift
. "$(dirname "$0")/../tools/wine-env.sh"
wine_env_up
exec wine "$@"
