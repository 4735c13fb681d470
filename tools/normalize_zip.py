#!/usr/bin/env python3
"""Rewrites a zip so that the same files always give the same bytes:

  normalize_zip.py ZIP SOURCE_DATE_EPOCH

Entries sorted by name; every entry stamped with the given time (UTC, the
zip's two-second resolution), made on "Unix" with fixed attributes (folders
0755, .exe 0755, other files 0644); deflated at level 9, no extra fields and
no comments; names in UTF-8 with the flag set where they are not ASCII.
Standard library only.
"""

import sys
import time
import zipfile


def main(path, epoch):
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]  # zip times start in 1980
    stamp = stamp[:5] + (stamp[5] // 2 * 2,)
    with zipfile.ZipFile(path) as source:
        entries = [(info.filename, info.is_dir(), None if info.is_dir() else source.read(info))
                   for info in source.infolist()]
    entries.sort(key=lambda entry: entry[0].encode("utf-8"))
    with zipfile.ZipFile(path, "w") as target:
        for name, is_dir, data in entries:
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            if is_dir:
                info.external_attr = (0o40755 << 16) | 0x10
                info.compress_type = zipfile.ZIP_STORED
                target.writestr(info, b"")
            else:
                mode = 0o100755 if name.lower().endswith(".exe") else 0o100644
                info.external_attr = mode << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                target.writestr(info, data, compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
