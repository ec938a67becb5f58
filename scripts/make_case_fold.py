#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the table of tools/pelzo-quiz/case_fold.cpp: the Unicode simple case
folding (status C and S of CaseFolding.txt, from Debian's unicode-data) as
runs {first, last, delta, stride}: every stride-th code point from first to
last folds to itself plus delta."""
import sys

path = sys.argv[1] if len(sys.argv) > 1 else '/usr/share/unicode/CaseFolding.txt'
folds = {}
for line in open(path, encoding='utf-8'):
    fields = [f.strip() for f in line.split('#')[0].split(';')]
    if len(fields) >= 3 and fields[1] in ('C', 'S'):
        folds[int(fields[0], 16)] = int(fields[2], 16)
runs = []
for c in sorted(folds):
    delta = folds[c] - c
    if runs and runs[-1][2] == delta:
        run = runs[-1]
        if run[0] == run[1] and c - run[1] in (1, 2):
            run[3] = c - run[1]
            run[1] = c
            continue
        if c - run[1] == run[3]:
            run[1] = c
            continue
    runs.append([c, c, delta, 1])
for first, last, delta, stride in runs:
    print('    {0x%04X, 0x%04X, %d, %d},' % (first, last, delta, stride))
