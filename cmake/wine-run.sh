#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's own prefix:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# Starts Xvfb when there is no display and keeps one wineserver alive.
set -eu
export WEATHER_WINEPREFIX=$1
shift
. "$(dirname "$0")/../tools/wine-env.sh"
wine_env_up
exec wine "$@"
