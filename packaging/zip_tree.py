#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Adds files to a release archive the same way every time:

  packaging/zip_tree.py ARCHIVE BASE PATH...

Each PATH (relative to BASE; a folder stands for every file under it, in
name order) is stored under that name, deflated, dated 2026-01-01 00:00, with
its permissions. ARCHIVE is created, or added to when it exists. Names
outside ASCII are marked as UTF-8 in the archive (general purpose flag bit
11), so that Windows' Explorer and other unzip programs show them right; zip
marks them only under some locales.
"""
import os
import sys
import zipfile

STAMP = (2026, 1, 1, 0, 0, 0)


def files_of(base, path):
    full = os.path.join(base, path)
    if os.path.isdir(full):
        for root, dirs, names in os.walk(full):
            dirs.sort()
            for name in sorted(names):
                yield os.path.relpath(os.path.join(root, name), base)
    else:
        yield path


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    archive, base, paths = argv[0], argv[1], argv[2:]
    names = sorted({f for p in paths for f in files_of(base, p)}, key=lambda n: n.encode())
    with zipfile.ZipFile(archive, "a" if os.path.exists(archive) else "w") as z:
        for name in names:
            full = os.path.join(base, name)
            info = zipfile.ZipInfo(name.replace(os.sep, "/"), STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = (os.stat(full).st_mode & 0xFFFF) << 16
            with open(full, "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
