#!/usr/bin/env bash
# The release as a user gets it: tools/release.sh makes the zip (endpoints on
# loopback), which is unpacked under "C:\Program Files\天气 预报" in the Wine
# prefix and started there, with that folder as its working directory,
# against the service on loopback port 80. Checked: the zip's checksum and
# contents; the exe's version resource, icon and manifest as Windows reads
# them; the see-through window in the top-right corner; the autorun value
# written from there (the quoted full path of that Weather.exe); the end by
# its picture with exit code 0.
#   package_test.sh SOURCE_DIR BUILD_DIR RESOURCE_PROBE VERSION
set -euo pipefail
source_dir=$1
build_dir=$2
probe=$3
version=$4
skip=77

# The web service the program asks: both endpoints on 127.0.0.1:80.
start_service() {
  node "$source_dir/service/server.js" --port 80 --lifetime 300 >/dev/null 2>&1 &
}

fail() { echo "FAIL: $*"; exit 1; }

# A test just before may still be letting go of the port.
port_free() { python3 -c 'import socket; socket.create_server(("127.0.0.1", 80)).close()' 2>/dev/null; }
for _ in $(seq 1 20); do port_free && break; sleep 0.25; done
if ! port_free; then
  echo "port 80 is not free here: skipped"
  exit $skip
fi

# Wine turns Unix file names and arguments into Windows ones by the locale.
export LC_ALL=C.UTF-8
out=$(bash "$source_dir/tools/release.sh" --local 127.0.0.1 127.0.0.1 2>&1) || { echo "$out"; fail "release.sh"; }
zip=$(sed -n 's/^package: //p' <<<"$out")
release_cache=$source_dir/build/windows-release/CMakeCache.txt
setting() { sed -n "s/^$1:[A-Z]*=//p" "$release_cache"; }
echo "$out" | tail -3
[ "$(basename "$zip")" = "Weather-$version-win64.zip" ] || fail "package name $zip"
(cd "$(dirname "$zip")" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
package_dir=$(dirname "$zip")
grep -q "  Weather-$version-win64-setup.exe\$" "$package_dir/SHA256SUMS" || fail "SHA256SUMS names no installer"
# The package managers' manifests name the zip by its real hash.
zip_hash=$(sha256sum "$zip" | cut -d' ' -f1)
python3 - "$package_dir/scoop/weather.json" "$zip_hash" "$version" <<'EOF' || fail "Scoop manifest"
import json, sys
manifest = json.load(open(sys.argv[1], encoding="utf-8"))
x64 = manifest["architecture"]["64bit"]
assert x64["hash"] == sys.argv[2], x64["hash"]
assert x64["url"].endswith("/Weather-%s-win64.zip" % sys.argv[3]), x64["url"]
assert manifest["version"] == sys.argv[3] and manifest["bin"] == "Weather.exe"
assert manifest["extract_dir"] == "Weather-%s-win64" % sys.argv[3]
assert "$version" in manifest["autoupdate"]["architecture"]["64bit"]["url"]
EOF
winget=$package_dir/winget/$(setting WINGET_IDENTIFIER)/$version/$(setting WINGET_IDENTIFIER)
grep -qx "  InstallerSha256: ${zip_hash^^}" "$winget.installer.yaml" || fail "winget manifest hash"
grep -qx 'InstallerType: zip' "$winget.installer.yaml" || fail "winget installer type"
grep -qx 'NestedInstallerType: portable' "$winget.installer.yaml" || fail "winget nested type"
for file in "$winget.yaml" "$winget.locale.zh-CN.yaml"; do
  grep -qx "PackageVersion: $version" "$file" || fail "$file"
done
echo "installer in SHA256SUMS, Scoop and winget manifests with the zip's hash: ok"

export WEATHER_WINEPREFIX=$build_dir/wineprefix
. "$source_dir/tools/wine-env.sh"
wine_env_up
folder_windows='C:\Program Files\天气 预报'
folder=$WINEPREFIX/drive_c/Program\ Files/天气\ 预报
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
service=
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  [ -n "$service" ] && kill "$service" 2>/dev/null || true
  wine reg delete "$run_key" /v Rezodez /f >/dev/null 2>&1 || true
  rm -rf "$folder"
}
trap cleanup EXIT
wine reg delete "$run_key" /v Rezodez /f >/dev/null 2>&1 || true

# Unpack as an unzip tool does: names from the zip's UTF-8 flag, one top folder.
rm -rf "$folder"
python3 - "$zip" "$folder" <<'EOF'
import os, shutil, sys, tempfile, zipfile
archive, target = sys.argv[1:]
with tempfile.TemporaryDirectory() as tmp:
    zipfile.ZipFile(archive).extractall(tmp)
    (top,) = os.listdir(tmp)
    shutil.move(os.path.join(tmp, top), target)
EOF
for file in Weather.exe 说明.txt README.txt LICENSE.txt; do
  [ -f "$folder/$file" ] || fail "the package has no $file"
done
pictures=$(find "$folder/image_Index" -name '[dn][0-9][0-9].bmp' | wc -l)
[ "$pictures" = 66 ] || fail "image_Index holds $pictures pictures, not 66"
iconv -f GBK -t UTF-8 "$folder/说明.txt" | grep -q '开机自动运行' || fail "说明.txt is not GBK"
grep -q 'CC BY 4.0' "$folder/README.txt" || fail "README.txt does not name the data licence"
grep -q '^A TEST BUILD, not for users: it asks this computer' "$folder/README.txt" ||
  fail "README.txt of a --local build does not say it is a test build"
iconv -f GBK -t UTF-8 "$folder/说明.txt" | grep -q '^测试版本，不面向用户' ||
  fail "说明.txt of a --local build does not say it is a test build"
echo "zip, checksum and contents: ok"

# Resources, read back as Windows reads them.
report=$build_dir/package-resources.txt
wine "$probe" "$folder_windows\\Weather.exe" "$(winepath -w "$report")" || fail "resource_probe"
publisher=$(setting PUBLISHER_NAME)
expected=(
  "version $version.0 $version.0"
  "string 080404b0 FileDescription=天气预报"
  "string 000004b0 FileDescription=天气预报"
  "string 080404b0 CompanyName=$publisher"
  "string 080404b0 ProductName=$publisher 天气预报"
  "string 080404b0 OriginalFilename=Weather.exe"
  "string 080404b0 ProductVersion=$version"
  "icon #1 16x16/32 24x24/32 32x32/32 48x48/32 256x256/32/png"
)
for line in "${expected[@]}"; do
  grep -qxF "$line" "$report" || { cat "$report"; fail "resources lack: $line"; }
done
grep -qx "string 080404b0 LegalCopyright=Copyright © [0-9]\{4\} $publisher" "$report" ||
  fail "no copyright line"
grep -qx 'manifest 1 [1-9][0-9]*' "$report" || fail "no manifest resource 1"
grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$report.manifest" ||
  fail "the manifest asks for no Common Controls 6"
grep -q 'level="asInvoker"' "$report.manifest" || fail "the manifest does not run as the invoker"
# The loader itself binds Common Controls 6 from the manifest.
grep -q '^comctl32 .*common-controls_6595b64144ccf1df_6\.' "$report" ||
  { cat "$report"; fail "comctl32 6 is not what the manifest binds"; }
echo "version resource, icon and manifest: ok"

start_service
service=$!
sleep 1
if ! kill -0 "$service" 2>/dev/null; then
  echo "port 80 was taken while the release was built: skipped"
  exit $skip
fi

desktop=$build_dir/package-desktop.png
convert -size 1280x800 gradient:'#4a7eb5-#1e3c64' -depth 8 "PNG24:$desktop"
cd "$folder"
wine Weather.exe &
program=$!

width=$(xdpyinfo | awk '/dimensions:/ { split($2, size, "x"); print size[1] }')
left=$((width - 320))
shot=$build_dir/package-compact.png
pixel() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
snap() { import -window root "$shot"; }
found=0
for _ in $(seq 1 60); do
  sleep 0.5
  snap
  if convert "$shot" -crop "64x32+$((left + 24))+53" +repage -fill black +opaque '#0000ff' \
       -format '%[fx:mean>0]' info: | grep -q 1; then
    found=1
    break
  fi
done
[ $found = 1 ] || fail "the compact window never showed its city in the corner"
display -window root "$desktop" || true
snap
expected_pixel=$(convert "$desktop" -format "%[pixel:p{$((left + 300)),120}]" info:)
[ "$(pixel $((left + 300)) 120)" = "$expected_pixel" ] || fail "the background is not see-through"
echo "see-through in the top-right corner: ok"

# Day 1's night picture shows the settings row; the autorun button registers.
combo=$(pixel $((left + 150)) 22)
xdotool mousemove $((left + 71 + 21)) $((90 + 15)) click 1
sleep 1
snap
[ "$(pixel $((left + 150)) 22)" != "$combo" ] || fail "the settings row did not show"
xdotool mousemove $((left + 200 + 52)) $((11 + 10)) click 1
value=
for _ in $(seq 1 20); do
  sleep 0.25
  rm -f "$build_dir/package-run.reg"
  wine reg export "$run_key" "$(winepath -w "$build_dir/package-run.reg")" /y >/dev/null 2>&1 || continue
  value=$(iconv -f UTF-16 -t UTF-8 "$build_dir/package-run.reg" | tr -d '\r' | sed -n 's/^"Rezodez"=//p')
  [ -n "$value" ] && break
done
# .reg escapes quotes and backslashes: the data is "C:\Program Files\天气 预报\Weather.exe".
[ "$value" = '"\"C:\\Program Files\\天气 预报\\Weather.exe\""' ] ||
  fail "autorun value is $value"
echo "autorun value, the quoted path of the unpacked Weather.exe: ok"

# Day 2's day picture closes the main window and ends the process.
xdotool mousemove $((left + 30 + 21)) $((155 + 15)) click 1
for _ in $(seq 1 40); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.25
done
kill -0 "$program" 2>/dev/null && fail "the program did not end"
status=0
wait "$program" || status=$?
program=
[ $status = 0 ] || fail "exit code $status"
echo "closed by its picture, exit code 0: ok"
