#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes docs/messages.md's table of pelzo-quiz's messages from a .po file: every
message in English and in its translation, in the order of the sources.

  po/messages_table.py po/ja.po docs/messages.md           rewrites the table in place
  po/messages_table.py --check po/ja.po docs/messages.md   exits 1 when the table is stale

The table sits between the lines BEGIN and END below in that document.
"""
import re
import sys

BEGIN = "<!-- pelzo-quiz messages: made by po/messages_table.py from po/ja.po -->"
END = "<!-- end of pelzo-quiz messages -->"


def unquote(s):
    """The text of a PO string's concatenated "..." pieces."""
    out = []
    for piece in re.findall(r'"((?:[^"\\]|\\.)*)"', s):
        out.append(re.sub(r'\\(.)', lambda m: {'n': '\n', 't': '\t'}.get(m.group(1), m.group(1)), piece))
    return ''.join(out)


def entries(po):
    """(English forms, translated forms) of every translated message but the header."""
    result = []
    for block in po.split('\n\n'):
        lines = [line for line in block.split('\n') if not line.startswith('#')]
        fields = {}
        key = None
        for line in lines:
            m = re.match(r'(msgid_plural|msgid|msgstr(?:\[\d+\])?) (".*")$', line)
            if m:
                key = m.group(1)
                fields[key] = m.group(2)
            elif line.startswith('"') and key:
                fields[key] += line
        if 'msgid' not in fields or unquote(fields['msgid']) == '':
            continue
        english = [unquote(fields['msgid'])]
        if 'msgid_plural' in fields:
            english.append(unquote(fields['msgid_plural']))
        translated = [unquote(v) for k, v in sorted(fields.items()) if k.startswith('msgstr')]
        if any(translated):
            result.append((english, translated))
    return result


def code(line):
    # A line that holds a backquote is fenced with two, spaced off, so that
    # its own backquotes do not end the code span.
    return f"`` {line} ``" if '`' in line else f"`{line}`"


def cell(forms):
    shown = []
    for text in forms:
        text = text.rstrip('\n').replace('|', '\\|')
        lines = [code(line) if line.strip() else '' for line in text.split('\n')]
        shown.append('<br>'.join(lines))
    return ' / '.join(shown)


def table(po):
    rows = ['| English | 日本語 |', '|---|---|']
    rows += [f'| {cell(e)} | {cell(t)} |' for e, t in entries(po)]
    return '\n'.join(rows)


def main(argv):
    check = argv[:1] == ['--check']
    if check:
        argv = argv[1:]
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    po_path, readme_path = argv
    with open(po_path, encoding='utf-8') as f:
        po = f.read()
    with open(readme_path, encoding='utf-8') as f:
        readme = f.read()
    start, end = readme.find(BEGIN), readme.find(END)
    if start < 0 or end < start:
        print(f'{readme_path}: no table between "{BEGIN}" and "{END}"', file=sys.stderr)
        return 1
    updated = readme[:start + len(BEGIN)] + '\n' + table(po) + '\n' + readme[end:]
    if check:
        if updated != readme:
            print(f'{readme_path}: the table of messages differs from {po_path}; run po/update.sh', file=sys.stderr)
            return 1
        return 0
    with open(readme_path, 'w', encoding='utf-8') as f:
        f.write(updated)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
