#!/usr/bin/env bash
# Makes the release package in one command:
#   bash tools/release.sh LOCATION_HOST REPORT_HOST [-DSETTING=VALUE ...]
# LOCATION_HOST serves the IP-location page (port 80), REPORT_HOST (host or
# host:port) the weather reports. Further settings, e.g.
# -DSECOND_WEB_ADDRESS=https://open-meteo.com/, go to CMake as they are.
# Builds the stripped program (preset windows-release, configured afresh so
# only these settings count) and packs build/windows-release/package/
# Weather-<version>-win64.zip with SHA256SUMS beside it; the last line printed
# is "package: <path of the zip>".
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# < 2)) || [[ $1 == -* || $2 == -* ]]; then
  sed -n '2,5s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
location_host=$1
report_host=$2
shift 2

bash tools/setup.sh
cmake --preset windows-release --fresh -DLOCATION_HOST="$location_host" -DREPORT_HOST="$report_host" \
  "$@" >/dev/null
cmake --build --preset windows-release -- -j"${WEATHER_JOBS:-2}"
cpack --preset windows-release >/dev/null

package_dir=build/windows-release/package
zip=$(sed -n 's/^[0-9a-f]\{64\}  //p' "$package_dir/SHA256SUMS")
(cd "$package_dir" && sha256sum --quiet -c SHA256SUMS)
echo "Weather.exe: $(stat -c %s build/windows-release/app/Weather.exe) bytes," \
  "$zip: $(stat -c %s "$package_dir/$zip") bytes"
cat "$package_dir/SHA256SUMS"
echo "package: $PWD/$package_dir/$zip"
