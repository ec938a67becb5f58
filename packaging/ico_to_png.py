#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the images of a Windows .ico file as PNGs in a hicolor icon tree.

    ico_to_png.py ICO OUT_DIR NAME SIZE...

For each SIZE (in pixels, square) the .ico must hold an image of that size;
it is written to OUT_DIR/SIZExSIZE/apps/NAME.png. An image stored as PNG
inside the .ico is copied byte for byte; a 32-bit BMP image (BGRA rows,
bottom-up, then the 1-bit AND mask) is written as an 8-bit RGBA PNG. Where
such a BMP's alpha channel is zero everywhere (an icon of the old style), the
AND mask gives the transparency. Other BMP depths are refused. Standard
library only, and the same input always gives the same bytes.
"""
import os
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class IcoError(Exception):
    pass


def read_entries(data):
    """Returns {size: image bytes} of every square image in the .ico."""
    if len(data) < 6:
        raise IcoError("shorter than the 6-byte header")
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise IcoError("not an icon file (header %d, type %d)" % (reserved, kind))
    if len(data) < 6 + 16 * count:
        raise IcoError("the directory of %d images is cut short" % count)
    images = {}
    for i in range(count):
        width, height, _colors, _res, _planes, _bpp, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * i)
        width = width or 256
        height = height or 256
        if offset + size > len(data):
            raise IcoError("image %d (%dx%d) runs past the end of the file" % (i, width, height))
        if width == height:
            images[width] = data[offset:offset + size]
    return images


def bmp_to_rgba(image, size):
    """Decodes a 32-bit icon BMP (header, pixels, AND mask) to RGBA rows."""
    if len(image) < 40:
        raise IcoError("%d px: BMP header cut short" % size)
    (header_size, width, height, _planes, bpp, compression) = struct.unpack_from("<IiiHHI", image, 0)
    if header_size < 40 or width != size or height != 2 * size:
        raise IcoError("%d px: BMP header says %dx%d" % (size, width, height // 2))
    if bpp != 32 or compression != 0:
        raise IcoError("%d px: a %d-bit BMP (compression %d); only 32-bit BI_RGB is read" %
                       (size, bpp, compression))
    pixels_at = header_size
    row_bytes = size * 4
    mask_row_bytes = ((size + 31) // 32) * 4
    mask_at = pixels_at + row_bytes * size
    if len(image) < mask_at + mask_row_bytes * size:
        raise IcoError("%d px: pixel data or AND mask cut short" % size)
    alpha_present = any(image[pixels_at + 3:mask_at:4])
    rows = []
    for y in range(size):
        src_y = size - 1 - y  # the BMP's first row is the bottom one
        src = image[pixels_at + src_y * row_bytes:pixels_at + (src_y + 1) * row_bytes]
        row = bytearray(row_bytes)
        row[0::4] = src[2::4]
        row[1::4] = src[1::4]
        row[2::4] = src[0::4]
        if alpha_present:
            row[3::4] = src[3::4]
        else:
            mask = image[mask_at + src_y * mask_row_bytes:]
            for x in range(size):
                transparent = mask[x // 8] >> (7 - x % 8) & 1
                row[4 * x + 3] = 0 if transparent else 255
        rows.append(bytes(row))
    return rows


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def rgba_png(rows, size):
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (PNG_SIGNATURE + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(raw, 9)) +
            png_chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 5:
        sys.stderr.write("usage: ico_to_png.py ICO OUT_DIR NAME SIZE...\n")
        return 2
    ico, out_dir, name = argv[1:4]
    try:
        sizes = [int(s) for s in argv[4:]]
        with open(ico, "rb") as f:
            images = read_entries(f.read())
        for size in sizes:
            if size not in images:
                raise IcoError("no %dx%d image (it holds %s)" %
                               (size, size, ", ".join(str(s) for s in sorted(images))))
            image = images[size]
            png = image if image.startswith(PNG_SIGNATURE) else rgba_png(bmp_to_rgba(image, size), size)
            folder = os.path.join(out_dir, "%dx%d" % (size, size), "apps")
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, name + ".png"), "wb") as f:
                f.write(png)
    except (IcoError, ValueError) as e:
        sys.stderr.write("ico_to_png: %s: %s\n" % (ico, e))
        return 1
    except OSError as e:
        sys.stderr.write("ico_to_png: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
