#!/usr/bin/env python3
"""Builds the sample quiz sets from UTF-8 genre sources.

    tools/make_samples.py [--src DIR] [--out DIR]

Each source (default data/samples/src/*.txt, taken in name order) is one
genre in the text members' layout: a genre-name line, then six lines per
question (question, right answer, four wrong answers). Two sets are written
from the same genres (default into data/samples/):

  sample.zip  one deflated Shift-JIS member qtext_<n>.txt per genre
  sample.pzq  the binary form: 256-byte records, fields byte-encoded

Text is converted with `iconv -f UTF-8 -t CP932`, the Windows flavour of
Shift-JIS the game reads (Python's cp932 codec differs for a few characters).
A line the game could not load as written (too long for its field, not
encodable, empty inside the layout) stops the build with its file and line.
"""
import argparse
import glob
import os
import subprocess
import sys
import zipfile

MAX_GENRES = 8
MEMBER_LINE_BYTES = 511  # longest line of a text member
MEMBER_MAX_LINES = 1024  # lines read from one member
PZQ_NAME_BYTES = 16
PZQ_TEXT_BYTES = 116
PZQ_CHOICE_BYTES = 28
PZQ_MAX_COUNT = 32767
PZQ_MAGIC = b"PELZOQDT"
RECORD = 256
FIXED_TIME = (2024, 4, 1, 0, 0, 0)  # keeps the built ZIP byte-identical


class SourceError(Exception):
    pass


def to_cp932(text, where):
    result = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode("utf-8"),
                            capture_output=True)
    if result.returncode != 0:
        raise SourceError("%s: cannot be written in Shift-JIS (CP932)" % where)
    return result.stdout


def read_genre(path):
    """Returns the genre's lines as Shift-JIS bytes: name, then 6 per question."""
    raw = open(path, "rb").read()
    if raw.startswith(b"\xef\xbb\xbf"):
        raise SourceError("%s:1: starts with a byte-order mark; save it as UTF-8 without one" % path)
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise SourceError("%s: not UTF-8 (byte offset %d)" % (path, e.start))
    lines = text.replace("\r", "").split("\n")
    while lines and lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, 1):
        if line == "":
            raise SourceError("%s:%d: empty line inside the questions (it would shift every later question)"
                              % (path, number))
        if "\0" in line:
            raise SourceError("%s:%d: holds a NUL character" % (path, number))
    if len(lines) < 7 or (len(lines) - 1) % 6 != 0:
        raise SourceError("%s: %d lines; a genre needs 1 + 6 x n lines (a name, then six per question)"
                          % (path, len(lines)))
    encoded = [to_cp932(line, "%s:%d" % (path, number)) for number, line in enumerate(lines, 1)]
    if len(encoded) > MEMBER_MAX_LINES:
        raise SourceError("%s: %d lines; a text member holds at most %d" % (path, len(encoded), MEMBER_MAX_LINES))
    return encoded


def check_width(path, number, data, limit, what):
    if len(data) > limit:
        raise SourceError("%s:%d: %s is %d Shift-JIS bytes; at most %d fit" % (path, number, what, len(data), limit))


def decode_field(stored):
    """The game's field decoding: bit 7 flipped back, a stored space outside a
    double-byte character is padding, the text ends after its last content
    byte or at a decoded zero."""
    out = bytearray()
    trail = False
    last = -1
    for k, s in enumerate(stored):
        if s == 0x20 and not trail:
            out.append(0x20)
            continue
        v = (s + 0x80) & 0xFF
        out.append(v)
        last = k
        trail = False if trail else (0x81 <= v <= 0x9F or 0xE0 <= v <= 0xFC)
    text = bytes(out[:last + 1]) if last >= 0 else b" "
    return text.split(b"\0")[0]


def encode_field(data, width, where):
    stored = bytes((b + 0x80) & 0xFF for b in data).ljust(width, b" ")
    if decode_field(stored) != data:
        raise SourceError("%s: does not survive the .pzq field encoding" % where)
    return stored


def write_zip(path, genres):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for n, (_, lines) in enumerate(genres):
            info = zipfile.ZipInfo("qtext_%d.txt" % n, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, b"".join(line + b"\r\n" for line in lines))


def write_pzq(path, genres):
    headers = bytearray(8 * RECORD)
    body = bytearray()
    for n, (source, lines) in enumerate(genres):
        count = (len(lines) - 1) // 6
        if count > PZQ_MAX_COUNT:
            raise SourceError("%s: %d questions; a .pzq genre holds at most %d" % (source, count, PZQ_MAX_COUNT))
        check_width(source, 1, lines[0], PZQ_NAME_BYTES, "the genre name")
        record = n * RECORD
        headers[record:record + len(lines[0])] = lines[0]
        headers[record + 18:record + 20] = count.to_bytes(2, "little", signed=True)
        for q in range(count):
            first = 1 + 6 * q
            check_width(source, first + 1, lines[first], PZQ_TEXT_BYTES, "the question")
            body += encode_field(lines[first], PZQ_TEXT_BYTES, "%s:%d" % (source, first + 1))
            for c in range(5):
                number = first + 2 + c
                check_width(source, number, lines[first + 1 + c], PZQ_CHOICE_BYTES, "this answer")
                body += encode_field(lines[first + 1 + c], PZQ_CHOICE_BYTES, "%s:%d" % (source, number))
            body += b"\0" * (RECORD - PZQ_TEXT_BYTES - 5 * PZQ_CHOICE_BYTES)
    headers[34:42] = PZQ_MAGIC
    with open(path, "wb") as f:
        f.write(bytes(headers) + bytes(body))


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description="Build sample.zip and sample.pzq from UTF-8 genre sources.")
    parser.add_argument("--src", default=os.path.join(top, "data", "samples", "src"))
    parser.add_argument("--out", default=os.path.join(top, "data", "samples"))
    args = parser.parse_args()

    sources = sorted(glob.glob(os.path.join(args.src, "*.txt")))
    try:
        if not sources:
            raise SourceError("%s: no .txt sources" % args.src)
        if len(sources) > MAX_GENRES:
            raise SourceError("%s: %d sources; a set holds at most %d genres" % (args.src, len(sources), MAX_GENRES))
        genres = [(path, read_genre(path)) for path in sources]
        for path, lines in genres:
            for number, line in enumerate(lines, 1):
                check_width(path, number, line, MEMBER_LINE_BYTES, "the line")
        os.makedirs(args.out, exist_ok=True)
        write_pzq(os.path.join(args.out, "sample.pzq"), genres)
        write_zip(os.path.join(args.out, "sample.zip"), genres)
    except SourceError as e:
        print("make_samples: %s" % e, file=sys.stderr)
        return 1
    for n, (path, lines) in enumerate(genres):
        print("%d\t%d\t%s" % (n, (len(lines) - 1) // 6, os.path.basename(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
