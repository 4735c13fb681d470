#!/usr/bin/env bash
# The release is reproducible: tools/release.sh run twice, in two fresh build
# folders of different names and depths, gives the same Weather.exe and the
# same zip byte for byte (and the same Scoop manifest, which names the zip's
# hash). The first build takes its time from the last
# commit by itself, the second is given it as SOURCE_DATE_EPOCH; the PE
# header's time stamp and every zip entry carry that time, the entries are
# sorted, and no path of the source or build folders is left in the exe.
# About 3.5 minutes on 2 cores (two release builds).
#   reproducible_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$(realpath "$1")
work=$(realpath "$2")/reproducible
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work"
one=$work/one
two=$work/second/build-two
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  epoch=$(git -C "$source_dir" log -1 --format=%ct)
  unset SOURCE_DATE_EPOCH
  first_epoch=
else
  epoch=1700000000
  first_epoch=$epoch
fi
echo "two release builds (about 3.5 minutes)"
SOURCE_DATE_EPOCH=$first_epoch bash "$source_dir/tools/release.sh" --local --build-dir "$one" \
  127.0.0.1 127.0.0.1 >"$work.one.log" 2>&1 || { cat "$work.one.log"; fail "first release build"; }
SOURCE_DATE_EPOCH=$epoch bash "$source_dir/tools/release.sh" --local --build-dir "$two" \
  127.0.0.1 127.0.0.1 >"$work.two.log" 2>&1 || { cat "$work.two.log"; fail "second release build"; }

zip=Weather-*-win64.zip
for file in app/Weather.exe "package/$zip" package/scoop/weather.json; do
  a=$(sha256sum $one/$file | cut -d' ' -f1)
  b=$(sha256sum $two/$file | cut -d' ' -f1)
  [ "$a" = "$b" ] || fail "$file differs: $a and $b"
  echo "$file: $a in both"
done
# The installer lists its files in the order the file system gives them.
a=$(sha256sum $one/package/Weather-*-setup.exe | cut -d' ' -f1)
b=$(sha256sum $two/package/Weather-*-setup.exe | cut -d' ' -f1)
[ "$a" = "$b" ] && echo "the installer too: $a" || echo "the installer differs (not required): $a and $b"

python3 - "$one/app/Weather.exe" $one/package/$zip "$epoch" <<'EOF' || fail "time stamps"
import struct, sys, time, zipfile
exe, archive, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = open(exe, "rb").read()
stamp = struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 8)[0]
assert stamp == epoch, "PE time stamp %d, commit %d" % (stamp, epoch)
expected = time.gmtime(epoch)[:5] + (time.gmtime(epoch)[5] // 2 * 2,)
names = []
for info in zipfile.ZipFile(archive).infolist():
    assert info.date_time == expected, "%s: %s" % (info.filename, info.date_time)
    names.append(info.filename.encode())
assert names == sorted(names), "entries not sorted"
print("PE time stamp and %d zip entries at the commit's time, sorted" % len(names))
EOF

for folder in "$source_dir" "$one" "$two" "$work"; do
  if strings -a "$one/app/Weather.exe" | grep -qF "$folder" ||
     strings -a -el "$one/app/Weather.exe" | grep -qF "$folder"; then
    fail "Weather.exe names $folder"
  fi
done
echo "no build or source folder named in Weather.exe"
rm -rf "$work"
