#!/usr/bin/env bash
# The per-user installer as a user runs it, under Wine: installed silently
# (/S) into %LOCALAPPDATA%\Programs\Weather with its files and the uninstall
# entry under HKCU; the Start-menu shortcut points at that Weather.exe and
# starts it in that folder; started as the shortcut starts it, the program
# shows its city against the service on loopback port 80 and ends with exit
# code 0 when its picture is clicked; the silent uninstaller removes the
# files, the folder, the shortcut, the uninstall entry and the autorun value
# that names this installation's program, and leaves other Run values be.
# Takes the installer of the release the package test made.
#   installer_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build_dir=$2
skip=77
fail() { echo "FAIL: $*"; exit 1; }

setup=$(ls "$source_dir"/build/windows-release/package/Weather-*-win64-setup.exe 2>/dev/null | head -1)
[ -n "$setup" ] || fail "no installer: the package test makes it (tools/release.sh --local)"
port_free() { python3 -c 'import socket; socket.create_server(("127.0.0.1", 80)).close()' 2>/dev/null; }
for _ in $(seq 1 20); do port_free && break; sleep 0.25; done
if ! port_free; then
  echo "port 80 is not free here: skipped"
  exit $skip
fi

export LC_ALL=C.UTF-8
export WEATHER_WINEPREFIX=$build_dir/wineprefix
. "$source_dir/tools/wine-env.sh"
# No menu entries on this machine for the shortcut the installer makes.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
wine_env_up

windows_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
local_app_data=$(windows_env LOCALAPPDATA)
folder_windows="$local_app_data\\Programs\\Weather"
folder=$(winepath -u "$folder_windows")
shortcut=$(winepath -u "$(windows_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\天气预报.lnk")
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Weather'
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
user_run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
service=
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  [ -n "$service" ] && kill "$service" 2>/dev/null || true
  wine reg delete "$run_key" /v Rezodez /f >/dev/null 2>&1 || true
  wine reg delete "$run_key" /v WeatherTestOther /f >/dev/null 2>&1 || true
  wine reg delete "$user_run_key" /v Rezodez /f >/dev/null 2>&1 || true
  wine reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
  rm -rf "$folder" "$shortcut"
}
trap cleanup EXIT
cleanup

echo "installing $(basename "$setup") silently"
wine "$setup" /S || fail "the installer failed"
for file in Weather.exe README.txt 说明.txt LICENSE.txt Uninstall.exe; do
  [ -f "$folder/$file" ] || fail "$folder_windows has no $file"
done
pictures=$(find "$folder/image_Index" -name '[dn][0-9][0-9].bmp' | wc -l)
[ "$pictures" = 66 ] || fail "image_Index holds $pictures pictures, not 66"
# A key's values as .reg lines (reg query would print them in the console's code page).
reg_values() {
  local file=$build_dir/installer-key.reg
  rm -f "$file"
  wine reg export "$1" "$(winepath -w "$file")" /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r'
}
entry=$(reg_values "$uninstall_key")
escaped=${folder_windows//\\/\\\\}
grep -qxF "\"UninstallString\"=\"\\\"$escaped\\\\Uninstall.exe\\\"\"" <<<"$entry" ||
  { echo "$entry"; fail "no uninstall entry naming $folder_windows\\Uninstall.exe"; }
grep -qx '"DisplayName"="天气预报 (Weather) [0-9.]*"' <<<"$entry" || { echo "$entry"; fail "no display name"; }
echo "installed into $folder_windows, listed under the user's apps: ok"

# The shortcut as the shell reads it (MS-SHLLINK): target and "Start in".
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
read_link() {
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
at = 0x4C
if flags & 0x1:  # HasLinkTargetIDList
    at += 2 + struct.unpack_from("<H", data, at)[0]
target = ""
if flags & 0x2:  # HasLinkInfo: LocalBasePath, ANSI
    size, header, info_flags, _, base = struct.unpack_from("<IIIII", data, at)[:5]
    if info_flags & 0x1:
        end = data.index(b"\0", at + base)
        target = data[at + base:end].decode("mbcs" if sys.platform == "win32" else "gbk")
        if header >= 0x24:  # LocalBasePathUnicode
            offset = struct.unpack_from("<I", data, at + 0x1C)[0]
            end = at + offset
            while data[end:end + 2] != b"\0\0":
                end += 2
            target = data[at + offset:end].decode("utf-16-le")
    at += size
strings = {}
for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
    if flags & bit:
        count = struct.unpack_from("<H", data, at)[0]
        unicode = flags & 0x80
        length = count * 2 if unicode else count
        raw = data[at + 2:at + 2 + length]
        strings[name] = raw.decode("utf-16-le" if unicode else "gbk")
        at += 2 + length
print(target)
print(strings.get("workdir", ""))
EOF
}
mapfile -t link < <(read_link "$shortcut")
[ "${link[0]}" = "$folder_windows\\Weather.exe" ] || fail "the shortcut points at '${link[0]}'"
[ "${link[1]}" = "$folder_windows" ] || fail "the shortcut starts in '${link[1]}'"
echo "Start-menu shortcut to $folder_windows\\Weather.exe, started in its folder: ok"

# Started as the shortcut starts it, against the service.
node "$source_dir/service/server.js" --port 80 --lifetime 300 >/dev/null 2>&1 &
service=$!
sleep 1
if ! kill -0 "$service" 2>/dev/null; then
  echo "port 80 was taken meanwhile: skipped"
  exit $skip
fi
cd "$(winepath -u "${link[1]}")"
wine "$(basename "$(winepath -u "${link[0]}")")" &
program=$!
width=$(xdpyinfo | awk '/dimensions:/ { split($2, size, "x"); print size[1] }')
left=$((width - 320))
shot=$build_dir/installer-compact.png
found=0
for _ in $(seq 1 60); do
  sleep 0.5
  import -window root "$shot"
  if convert "$shot" -crop "64x32+$((left + 24))+53" +repage -fill black +opaque '#0000ff' \
       -format '%[fx:mean>0]' info: | grep -q 1; then
    found=1
    break
  fi
done
[ $found = 1 ] || fail "the installed program never showed its city in the corner"
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
cd "$build_dir"
echo "the installed program shows its city and ends with exit code 0: ok"

# The autorun value this installation's program writes, and one of another
# program that must stay.
wine reg add "$run_key" /v Rezodez /t REG_SZ /d "\"$folder_windows\\Weather.exe\"" /f >/dev/null 2>&1
# A standard user's registration goes to the user's own Run key.
wine reg add "$user_run_key" /v Rezodez /t REG_SZ /d "\"$folder_windows\\Weather.exe\"" /f >/dev/null 2>&1
wine reg add "$run_key" /v WeatherTestOther /t REG_SZ /d 'C:\other.exe' /f >/dev/null 2>&1
wine "$folder/Uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller goes on from a copy of itself in the temporary folder.
for _ in $(seq 1 60); do
  [ -e "$folder" ] || break
  sleep 0.5
done
[ -e "$folder" ] && { ls -R "$folder"; fail "$folder_windows is still there"; }
[ -e "$shortcut" ] && fail "the shortcut is still there"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
wine reg query "$run_key" /v Rezodez >/dev/null 2>&1 && fail "the autorun value is still there"
wine reg query "$user_run_key" /v Rezodez >/dev/null 2>&1 && fail "the user's autorun value is still there"
wine reg query "$run_key" /v WeatherTestOther >/dev/null 2>&1 || fail "another program's Run value went too"
echo "uninstalled: files, folder, shortcut, entry and autorun value gone: ok"
