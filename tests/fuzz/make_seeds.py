#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into the folder given.

    tests/fuzz/make_seeds.py OUT

One subfolder per target (zip, qtext, pzq, codepage, pipeline), made from:
the generated ZIP fixtures (tests/fixtures/make_zip_fixtures.py), the sample
sets in data/samples, the sample sources converted with `iconv -t CP932`, and
small inputs written here for the layouts and code-page cases the readers
branch on. Inputs already saved under tests/fuzz/regressions/<target>/ are
added too. The pipeline's inputs carry the branch byte its target reads
first: 'Q' (odd) for the .pzq branch, 'Z' (even) for the ZIP branch.
"""
import glob
import hashlib
import io
import os
import shutil
import struct
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
SAMPLES = os.path.join(TOP, "data", "samples")
RECORD = 256
FIXED_TIME = (2024, 4, 1, 0, 0, 0)


def cp932(text):
    """UTF-8 text -> CP932 bytes through iconv (Python's codec differs from it)."""
    r = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode("utf-8"),
                       capture_output=True, check=True)
    return r.stdout


def save(folder, data, name=None):
    os.makedirs(folder, exist_ok=True)
    name = name or hashlib.sha1(data).hexdigest()[:16]
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- text members -----------------------------------------------------------

def sample_members():
    """The sample genres as CP932 member texts (LF line ends), in name order."""
    out = []
    for path in sorted(glob.glob(os.path.join(SAMPLES, "src", "*.txt"))):
        with open(path, encoding="utf-8") as f:
            out.append(cp932(f.read()))
    return out


def qtext_seeds(members):
    seeds = list(members)
    seeds += [m.replace(b"\n", b"\r\n") for m in members[:1]]        # CR LF
    first = members[0].split(b"\n") if members else [b"genre"] * 7
    seeds.append(b"\n".join(first[:7]))                             # one question, no final LF
    seeds.append(b"\n".join(first[:6]) + b"\n")                     # one line short
    seeds.append(b"\n".join(first[:7]) + b"\n\n\n\n")               # trailing empty lines
    seeds.append(b"\n".join(first[:3]) + b"\n\n" + b"\n".join(first[4:8]) + b"\n")  # empty line inside
    seeds.append(b"name\n" + b"\x83\x5c" * 300 + b"\nA\nB\nC\nD\nE\n")  # 600-byte line, 0x5C trails
    seeds.append(b"\x82\xa0\x82\n\x82\x20\n\x80\xa0\xfd\n\x85\x40\n\x87\x40\nx\ny\n")  # undecodable bytes
    seeds.append(b"\n".join(b"%d" % i for i in range(1100)) + b"\n")  # past the line table
    seeds.append(b"")
    return seeds


# --- ZIP archives -------------------------------------------------------------

def zip_of(members, method):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        for name, data in members:
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = method
            z.writestr(info, data)
    return buf.getvalue()


def zip_seeds(members, work):
    seeds = []
    fixtures = os.path.join(work, "zip-fixtures")
    script = os.path.join(TOP, "tests", "fixtures", "make_zip_fixtures.py")
    r = subprocess.run([sys.executable, script, fixtures], capture_output=True)
    if r.returncode == 0:
        for path in sorted(glob.glob(os.path.join(fixtures, "*.zip"))):
            with open(path, "rb") as f:
                seeds.append(f.read())
    else:
        sys.stderr.write("make_seeds: ZIP fixtures not made (%s); going on without them\n"
                         % r.stderr.decode(errors="replace").strip().splitlines()[-1:])
    with open(os.path.join(SAMPLES, "sample.zip"), "rb") as f:
        seeds.append(f.read())
    small = [("qtext_0.txt", b"\n".join(members[0].split(b"\n")[:7]) + b"\n"),
             ("dir/qtext_1.txt", b"\n".join(members[1].split(b"\n")[:13]) + b"\n")]
    seeds.append(zip_of(small, zipfile.ZIP_STORED))
    seeds.append(zip_of(small, zipfile.ZIP_DEFLATED))
    seeds.append(zip_of([("qtext_0.txt", b"")], zipfile.ZIP_DEFLATED))
    seeds.append(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0, 0, 0, 0, 0))  # empty archive
    return seeds


# --- .pzq files -----------------------------------------------------------------

def field(sjis, width):
    """A record field: bit 7 flipped, padded with plain spaces."""
    return bytes(b ^ 0x80 for b in sjis[:width]).ljust(width, b" ")


def pzq(genres, magic=b"PELZOQDT"):
    """genres: up to 8 (name bytes, count, [records]); a record is six SJIS texts."""
    head = bytearray()
    body = bytearray()
    for i in range(8):
        name, count, records = genres[i] if i < len(genres) else (b"", 0, [])
        rec = bytearray(RECORD)
        rec[0:16] = name[:16].ljust(16, b"\0")
        rec[18:20] = struct.pack("<h", count)
        if i == 0:
            rec[34:42] = magic
        head += rec
        for texts in records:
            body += field(texts[0], 116) + b"".join(field(t, 28) for t in texts[1:6])
    return bytes(head + body)


def pzq_seeds(members):
    seeds = []
    with open(os.path.join(SAMPLES, "sample.pzq"), "rb") as f:
        seeds.append(f.read())
    lines = members[0].split(b"\n")
    rec = [lines[1 + k:7 + k] for k in range(0, 12, 6)]
    q = lambda n: [rec[k % len(rec)] for k in range(n)]
    seeds.append(pzq([(lines[0], 3, q(3)), (b"", 0, []), (b"two", 2, q(2))]))
    seeds.append(pzq([(b"", 0, []), (lines[0], 4, q(4)), (b"", 0, []), (b"B", 2, q(2))], b"PELZOQDX"))
    seeds.append(pzq([(b"odd", 1, [[b"\x81\x20", b"\x01\x20", b"\x02\x20", b"\x80", b" " * 28, b"x"]])]))
    seeds.append(pzq([(b"neg", -1, [])]))
    seeds.append(pzq([(b"short", 5, q(2))]))           # counts past the end of the file
    seeds.append(pzq([]))                              # header only, no questions
    seeds.append(pzq([(b"x", 1, q(1))], b"PELZOQDZ"))  # wrong magic
    return seeds


# --- code-page strings ------------------------------------------------------------

def codepage_seeds(members):
    seeds = []
    for m in members[:2]:
        seeds += [line for line in m.split(b"\n")[:8] if line]
    with open(os.path.join(SAMPLES, "src", sorted(os.listdir(os.path.join(SAMPLES, "src")))[0]), "rb") as f:
        seeds += [line for line in f.read().split(b"\n")[:4] if line]  # UTF-8 for the other direction
    seeds += [cp932("①★☆〜【】"), cp932("髙﨑ⅢソＡｱ"), "ソ表能①～😀".encode("utf-8"),
              b"\x82", b"\x82\x20", b"\x82\xa0\x82", b"\x85\x40", b"\x80\xa0\xfd\xfe\xff",
              b"\xc0\xaf\xe0\x80\xaf\xed\xa0\x80\xf4\x90\x80\x80", b"A" * 1100, "あ".encode("utf-8") * 400,
              b"\x82\xa0" * 1030]
    return seeds


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_seeds.py OUT")
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    work = os.path.join(out, ".work")
    os.makedirs(work)
    members = sample_members()
    corpora = {
        "qtext": qtext_seeds(members),
        "zip": zip_seeds(members, work),
        "pzq": pzq_seeds(members),
        "codepage": codepage_seeds(members),
    }
    corpora["pipeline"] = [b"Q" + s for s in corpora["pzq"]] + [b"Z" + s for s in corpora["zip"]]
    for target, seeds in corpora.items():
        for s in seeds:
            save(os.path.join(out, target), s)
        for path in glob.glob(os.path.join(HERE, "regressions", target, "*")):
            with open(path, "rb") as f:
                save(os.path.join(out, target), f.read(), "regression-" + os.path.basename(path))
    shutil.rmtree(work)
    for target in corpora:
        print("seeds %-9s %3d files" % (target, len(os.listdir(os.path.join(out, target)))))


if __name__ == "__main__":
    main()
