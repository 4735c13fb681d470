#!/usr/bin/env bash
# Makes the release package in one command:
#   release.sh [--local] [--build-dir DIR] LOCATION_HOST REPORT_HOST [-DSETTING=VALUE ...]
# LOCATION_HOST serves the IP-location page (port 80), REPORT_HOST (host or
# host:port) the weather reports; both must be reachable from the users'
# computers, so loopback and private addresses and the example names are
# refused. --local makes a test build that asks this computer (e.g.
# 127.0.0.1), and its notes say so. Further settings, e.g.
# -DSECOND_WEB_ADDRESS=https://open-meteo.com/, go to CMake as they are.
# Builds the stripped program (preset windows-release, configured afresh in
# DIR, by default build/windows-release) and packs DIR/package/
# Weather-<version>-win64.zip with SHA256SUMS beside it. The same commit gives
# the same bytes: the time is the commit's (SOURCE_DATE_EPOCH when set). The
# last line printed is "package: <path of the zip>".
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//p}' "$0"; }
local_build=OFF
build_dir=build/windows-release
hosts=()
settings=()
while (($#)); do
  case $1 in
    --local) local_build=ON ;;
    --build-dir)
      (($# >= 2)) || { usage >&2; exit 2; }
      build_dir=$2
      shift
      ;;
    -h | --help) usage; exit 0 ;;
    -D?*) settings+=("$1") ;;
    -*) usage >&2; exit 2 ;;
    *) hosts+=("$1") ;;
  esac
  shift
done
if ((${#hosts[@]} != 2)); then
  usage >&2
  exit 2
fi

bash tools/setup.sh
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi
echo "building the release in $build_dir (about 2 minutes on 2 cores)"
cmake --preset windows-release --fresh -B "$build_dir" -DWEATHER_LOCAL_RELEASE=$local_build \
  -DLOCATION_HOST="${hosts[0]}" -DREPORT_HOST="${hosts[1]}" "${settings[@]}" >/dev/null
cmake --build "$build_dir" -- -j"${WEATHER_JOBS:-2}"
rm -rf "$build_dir/package"
cpack --config "$build_dir/CPackConfig.cmake" >/dev/null

package_dir=$build_dir/package
zip=$(sed -n 's/^[0-9a-f]\{64\}  \(.*\.zip\)$/\1/p' "$package_dir/SHA256SUMS")
(cd "$package_dir" && sha256sum --quiet -c SHA256SUMS)
echo "Weather.exe: $(stat -c %s "$build_dir/app/Weather.exe") bytes," \
  "$zip: $(stat -c %s "$package_dir/$zip") bytes"
cat "$package_dir/SHA256SUMS"
echo "package: $(realpath "$package_dir/$zip")"
