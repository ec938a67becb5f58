#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the binary layout of the generated images and music.

Usage: inspect_assets.py ASSET_DIR
Reads logo.png, icon.png, pelzo_win.ico, pelzowin_app.ico and
countup_10sec.ogg and fails (exit 1, one line per fault) when a property the
game relies on is off: PNG size and 8-bit RGBA colour type, the icon files'
image sizes, the layout of the Windows application icon (256 px as PNG first,
then 128 to 16 px as 32-bit BMPs whose AND mask covers exactly the fully
transparent pixels, every entry's size and offset matching its bytes), the
Ogg stream's channels, rate and length from its last granule position, and
that no chunk or header carries a time stamp that would make reruns differ.
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


APP_ICON_SIZES = [256, 128, 64, 48, 32, 16]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
STAMP_CHUNKS = ("tIME", "tEXt", "zTXt", "iTXt")


def png_chunks(data):
    """Returns the chunk types of PNG bytes, or None when they are cut short."""
    chunks = []
    pos = 8
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if pos + 12 + length > len(data):
            return None
        chunks.append(kind.decode("latin-1"))
        pos += 12 + length
    return chunks if pos == len(data) else None


def check_bmp_entry(name, blob, size):
    """Faults of one BMP icon image: a BITMAPINFOHEADER, 32-bit BGRA rows
    bottom-up at twice the height (colour rows, then the 1-bit AND mask with
    its rows padded to 32 bits), the mask set exactly where alpha is zero."""
    if len(blob) < 40:
        return [f"{name}: {len(blob)} bytes, too short for a BITMAPINFOHEADER"]
    (header, width, height, planes, bits, compression,
     _image_size, _xppm, _yppm, used, _important) = struct.unpack("<IiiHHIIiiII", blob[:40])
    if header != 40:
        return [f"{name}: header of {header} bytes, want a 40-byte BITMAPINFOHEADER"]
    faults = []
    if (width, height) != (size, 2 * size):
        faults.append(f"{name}: BMP of {width} x {height}, want {size} x {2 * size}")
    if planes != 1 or bits != 32 or compression != 0 or used != 0:
        faults.append(f"{name}: {planes} plane(s), {bits} bits, compression {compression}, "
                      f"{used} palette colours; want 1 plane, 32 bits, BI_RGB, no palette")
    if faults:
        return faults
    stride = (size + 31) // 32 * 4
    want = 40 + 4 * size * size + stride * size
    if len(blob) != want:
        return [f"{name}: {len(blob)} bytes, want {want} (header, BGRA rows, AND mask)"]
    alpha = blob[40 + 3:40 + 4 * size * size:4]
    mask = blob[40 + 4 * size * size:]
    wrong = 0
    for row in range(size):   # both bottom-up, so rows line up
        for col in range(size):
            bit = mask[row * stride + col // 8] >> (7 - col % 8) & 1
            wrong += bit != (alpha[row * size + col] == 0)
    if wrong:
        faults.append(f"{name}: AND mask differs from the transparent pixels at {wrong} pixels")
    return faults


def check_app_icon(path):
    """Faults of the Windows application icon, see APP_ICON_SIZES."""
    name = os.path.basename(path)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        return [f"{name}: {e.strerror}"]
    if len(data) < 6:
        return [f"{name}: not an icon file"]
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1:
        return [f"{name}: not an icon file"]
    if count != len(APP_ICON_SIZES) or len(data) < 6 + 16 * count:
        return [f"{name}: {count} images, want {len(APP_ICON_SIZES)}"]
    faults = []
    end = 6 + 16 * count   # the images follow the directory back to back
    for i, size in enumerate(APP_ICON_SIZES):
        w, h, colours, zero, planes, bits, length, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        entry = f"{name} image {i}"
        if offset != end:
            faults.append(f"{entry}: at offset {offset}, want {end} (right after the "
                          f"{'directory' if i == 0 else 'image before'})")
        end = offset + length
        if end > len(data):
            faults.append(f"{entry}: {length} bytes at offset {offset} run past the end "
                          f"of the file's {len(data)} bytes")
            return faults
        blob = data[offset:end]
        # A width or height of 0 in the directory stands for 256.
        if (w or 256, h or 256) != (size, size):
            faults.append(f"{entry}: {w or 256} x {h or 256}, want {size} x {size}")
            continue
        if colours != 0 or zero != 0 or planes != 1 or bits != 32:
            faults.append(f"{entry}: directory says {colours} colours, {planes} plane(s), "
                          f"{bits} bits; want 0, 1, 32")
        if i == 0:
            # Windows reads a 256-px icon image stored as PNG.
            if len(blob) < 33 or blob[:8] != PNG_SIGNATURE or blob[12:16] != b"IHDR":
                faults.append(f"{entry}: not stored as PNG")
                continue
            header = struct.unpack(">IIBB", blob[16:26])
            if header != (size, size, 8, 6):
                faults.append(f"{entry}: PNG {header}, want {size} x {size} 8-bit RGBA")
            chunks = png_chunks(blob)
            if chunks is None or chunks[-1:] != ["IEND"]:
                faults.append(f"{entry}: PNG chunks do not fill its {length} bytes")
            elif any(c in STAMP_CHUNKS for c in chunks):
                faults.append(f"{entry}: PNG carries {chunks}, which change on every run")
        else:
            if blob[:8] == PNG_SIGNATURE:
                faults.append(f"{entry}: stored as PNG, want a 32-bit BMP")
                continue
            faults += check_bmp_entry(entry, blob, size)
    if end != len(data):
        faults.append(f"{name}: {len(data) - end} bytes after the last image")
    return faults


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
        stamped = [c for c in chunks if c in STAMP_CHUNKS]
        if stamped:
            faults.append(f"{name}: carries {stamped}, which change on every run")
    sizes = ico_sizes(os.path.join(d, "pelzo_win.ico"))
    if sizes != [(16, 16), (32, 32), (48, 48), (64, 64)]:
        faults.append(f"pelzo_win.ico: sizes {sizes}, want 16, 32, 48, 64")
    faults += check_app_icon(os.path.join(d, "pelzowin_app.ico"))
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
