#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# The browser page's binary parts, made at build time:
#
#   web_parts.py fonts FONT OUT_DIR TEXT_FILE...
#       OUT_DIR/ipam-1.ttf.gz  FONT cut by fonttools' pyftsubset to the
#                              characters most sets use: ASCII, half-width
#                              kana, JIS X 0208's non-kanji rows and its first
#                              level of kanji, code page 932's NEC row 13
#                              (circled numbers and the like), and every
#                              character of the TEXT_FILEs (the game's own
#                              strings);
#       OUT_DIR/ipam-2.ttf.gz  the whole FONT, which the page fetches only
#                              when a set holds a character part 1 lacks.
#       Both gzip-compressed by zopfli; the game inflates them with zlib.
#   web_parts.py wrap FILE OUT.js
#       FILE as a classic script, which a page opened from file:// may load
#       where it may not fetch: pelzoPart("NAME", "<base64>").
#   web_parts.py icon PNG SIZE OUT.png
#       PNG scaled to SIZE x SIZE, its pixels kept sharp (the web app's icons).
#
# Runs under Debian's python3 (/usr/bin/python3), which has fonttools.
import base64
import os
import subprocess
import sys


# Shift-JIS codes below this one are JIS X 0208's rows 1-47 (symbols, kana,
# Latin, Greek, Cyrillic, box drawing, the first level of kanji) and code page
# 932's NEC row 13. The second level of kanji and the IBM extensions would
# double part 1: with the glyphs' hinting (which FreeType uses, so the page
# draws as the desktop does) the whole Shift-JIS repertoire alone is 3.4 MB
# compressed.
FIRST_LEVEL_END = 0x989F


def shift_jis_characters():
    """Every character of the Shift-JIS codes below FIRST_LEVEL_END, as
    Python's cp932 and shift_jis codecs and glibc's iconv (the game's own
    table) read them."""
    chars = set(chr(c) for c in range(0x20, 0x7F))
    pairs = bytearray()
    for b in range(0xA1, 0xE0):
        chars.add(bytes([b]).decode('cp932'))
    for lead in range(0x81, FIRST_LEVEL_END >> 8 | 1):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            if (lead << 8 | trail) >= FIRST_LEVEL_END:
                break
            code = bytes([lead, trail])
            for codec in ('cp932', 'shift_jis'):
                try:
                    chars.add(code.decode(codec))
                except UnicodeDecodeError:
                    pass
            pairs += code + b'\n'
    iconv = subprocess.run(['iconv', '-c', '-f', 'CP932', '-t', 'UTF-8'], input=bytes(pairs),
                           capture_output=True, check=False)
    chars |= set(iconv.stdout.decode('utf-8', 'replace').replace('\n', ''))
    return chars


def gzip_file(src, dst):
    with open(dst + '.tmp', 'wb') as out:
        subprocess.run(['zopfli', '--i5', '-c', src], stdout=out, check=True)
    os.replace(dst + '.tmp', dst)


def fonts(font, out_dir, text_files):
    chars = shift_jis_characters()
    for name in text_files:
        with open(name, encoding='utf-8') as f:
            chars |= set(f.read())
    codes = sorted(ord(c) for c in chars if len(c) == 1 and ord(c) >= 0x20)
    os.makedirs(out_dir, exist_ok=True)
    unicodes = os.path.join(out_dir, 'ipam-1.unicodes')
    part1 = os.path.join(out_dir, 'ipam-1.ttf')
    with open(unicodes, 'w', encoding='ascii') as f:
        f.write('\n'.join('U+%04X' % c for c in codes) + '\n')
    # Hinting and layout tables stay: FreeType draws part 1's glyphs as it
    # draws the whole font's, so the page matches the desktop.
    subprocess.run(['pyftsubset', font, '--unicodes-file=' + unicodes, '--output-file=' + part1,
                    '--layout-features=*', '--name-IDs=*', '--name-languages=*', '--notdef-outline'],
                   check=True)
    gzip_file(part1, os.path.join(out_dir, 'ipam-1.ttf.gz'))
    gzip_file(font, os.path.join(out_dir, 'ipam-2.ttf.gz'))


def wrap(src, dst):
    with open(src, 'rb') as f:
        data = base64.b64encode(f.read()).decode('ascii')
    with open(dst + '.tmp', 'w', encoding='ascii') as out:
        out.write('pelzoPart("%s", "%s");\n' % (os.path.basename(src), data))
    os.replace(dst + '.tmp', dst)


def icon(src, size, dst):
    from PIL import Image
    with Image.open(src) as image:
        image.resize((size, size), Image.NEAREST).save(dst)


if __name__ == '__main__':
    if len(sys.argv) >= 4 and sys.argv[1] == 'fonts':
        fonts(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif len(sys.argv) == 4 and sys.argv[1] == 'wrap':
        wrap(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 5 and sys.argv[1] == 'icon':
        icon(sys.argv[2], int(sys.argv[3]), sys.argv[4])
    else:
        sys.exit('usage: web_parts.py fonts FONT OUT_DIR TEXT_FILE... | wrap FILE OUT.js | icon PNG SIZE OUT.png')
