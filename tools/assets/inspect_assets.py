#!/usr/bin/env python3
"""Checks the binary layout of the generated images and music.

Usage: inspect_assets.py ASSET_DIR
Reads logo.png, icon.png, pelzo_win.ico and countup_10sec.ogg and fails
(exit 1, one line per fault) when a property the game relies on is off:
PNG size and 8-bit RGBA colour type, the icon file's image sizes, the Ogg
stream's channels, rate and length from its last granule position, and that
no chunk or header carries a time stamp that would make reruns differ.
"""

import os
import struct
import sys

RATE = 44100


def png_header(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None, []
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    chunks = []
    pos = 8
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.append(kind.decode("latin-1"))
        pos += 12 + length
    return (width, height, depth, colour), chunks


def ico_sizes(path):
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1:
        return None
    sizes = []
    for i in range(count):
        w, h = data[6 + 16 * i], data[7 + 16 * i]
        sizes.append((w or 256, h or 256))
    return sorted(sizes)


def ogg_info(path):
    """Returns (channels, rate, last granule position) of a Vorbis stream."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"OggS":
        return None
    # The identification header is the first packet of the first page.
    segs = data[26]
    body = 27 + segs
    ident = data[body:body + 30]
    if ident[:7] != b"\x01vorbis":
        return None
    channels = ident[11]
    rate = struct.unpack("<I", ident[12:16])[0]
    last = data.rfind(b"OggS")
    granule = struct.unpack("<q", data[last + 6:last + 14])[0]
    return channels, rate, granule


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: inspect_assets.py ASSET_DIR\n")
        return 2
    d = sys.argv[1]
    faults = []
    for name, size in (("logo.png", (462, 132)), ("icon.png", (64, 64))):
        header, chunks = png_header(os.path.join(d, name))
        if header is None:
            faults.append(f"{name}: not a PNG")
            continue
        if header != size + (8, 6):
            faults.append(f"{name}: {header}, want {size} 8-bit RGBA (colour type 6)")
        stamped = [c for c in chunks if c in ("tIME", "tEXt", "zTXt", "iTXt")]
        if stamped:
            faults.append(f"{name}: carries {stamped}, which change on every run")
    sizes = ico_sizes(os.path.join(d, "pelzo_win.ico"))
    if sizes != [(16, 16), (32, 32), (48, 48), (64, 64)]:
        faults.append(f"pelzo_win.ico: sizes {sizes}, want 16, 32, 48, 64")
    info = ogg_info(os.path.join(d, "countup_10sec.ogg"))
    if info is None:
        faults.append("countup_10sec.ogg: no Ogg Vorbis identification header")
    else:
        channels, rate, granule = info
        if channels != 1 or rate != RATE:
            faults.append(f"countup_10sec.ogg: {channels} ch {rate} Hz, want mono {RATE}")
        if abs(granule / RATE - 10.47) > 0.010:
            faults.append(f"countup_10sec.ogg: {granule / RATE:.4f} s, want 10.47 s")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
