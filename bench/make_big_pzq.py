#!/usr/bin/env python3
"""Writes the benchmark quiz sets, which are too large to commit.

    make_big_pzq.py OUT.pzq     the largest binary set: 8 genres of 32,767
                                questions (67 MB), every field filled
    make_big_pzq.py --zip DIR   DIR/zip8x170_stored.zip and _deflated.zip:
                                8 text members of 170 questions, every line
                                170 kanji (the most a 511-byte UTF-8 slot holds)

The texts walk through every kanji of code page 932 with a stride, so the
first megabyte of glyph text (all the font rebuild takes) holds nearly all of
them: the rebuild rasterises thousands of distinct glyphs.
"""
import os
import struct
import sys
import zipfile

GENRES = 8
PZQ_COUNT = 32767
ZIP_COUNT = 170
RECORD = 256


def kanji_codes():
    """Every double-byte code page 932 code that decodes to a CJK ideograph."""
    leads = list(range(0x88, 0xA0)) + list(range(0xE0, 0xEF)) + list(range(0xFA, 0xFD))
    trails = list(range(0x40, 0x7F)) + list(range(0x80, 0xFD))
    codes = []
    for lead in leads:
        for trail in trails:
            raw = bytes([lead, trail])
            try:
                ch = raw.decode("cp932")
            except UnicodeDecodeError:
                continue
            if "\u4e00" <= ch <= "\u9fff":
                codes.append(raw)
    return codes


def genre_name(g):
    return ("漢字ジャンル%d" % g).encode("cp932")


def write_pzq(path):
    codes = kanji_codes()
    plain = b"".join(codes)
    # Byte encoding: every byte with bit 7 flipped. The fields are full, so
    # there is no padding to add.
    stored = bytes((b + 0x80) & 0xFF for b in plain)
    ring = stored + stored[:RECORD]
    header = bytearray()
    for g in range(GENRES):
        rec = bytearray(RECORD)
        name = genre_name(g)
        rec[0:len(name)] = name
        rec[18:20] = struct.pack("<h", PZQ_COUNT)
        if g == 0:
            rec[34:42] = b"PELZOQDT"
        header += rec
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(header)
        n = len(stored)
        chunk = bytearray()
        for j in range(GENRES * PZQ_COUNT):
            # A record is 128 double-byte characters: 58 in the question,
            # 14 in each choice. Start on a character, 37 characters on.
            start = (j * 74) % n
            chunk += ring[start:start + RECORD]
            if len(chunk) >= 1 << 22:
                f.write(chunk)
                chunk = bytearray()
        f.write(chunk)
    os.replace(tmp, path)


def write_zips(folder):
    codes = kanji_codes()
    n = len(codes)
    members = []
    pos = 0
    for g in range(GENRES):
        lines = [genre_name(g)]
        for _ in range(ZIP_COUNT * 6):
            lines.append(b"".join(codes[(pos + k) % n] for k in range(170)))
            pos += 37
        members.append(b"\r\n".join(lines) + b"\r\n")
    for suffix, method in (("stored", zipfile.ZIP_STORED), ("deflated", zipfile.ZIP_DEFLATED)):
        path = os.path.join(folder, "zip8x170_%s.zip" % suffix)
        with zipfile.ZipFile(path + ".tmp", "w", compression=method) as z:
            for g, data in enumerate(members):
                z.writestr("qtext_%d.txt" % g, data)
        os.replace(path + ".tmp", path)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--zip":
        os.makedirs(sys.argv[2], exist_ok=True)
        write_zips(sys.argv[2])
    elif len(sys.argv) == 2:
        write_pzq(sys.argv[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
