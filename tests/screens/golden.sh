#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a player sees: the screens pelzo-screenshots renders headless, each
# against its picture in tests/screens/golden/, to the pixel. A picture that
# differs is left beside a map of the differences in OUT_DIR. The clock is
# held still (libfaketime; the frames keep their own time), so the game
# seeds its generator alike and draws the same questions in the same order.
#
#   tests/screens/golden.sh SCREENSHOTS SET OUT_DIR [--update]
#
# --update copies the fresh pictures over the golden ones, after a change
# meant to alter them (look at each before committing it). Exits 77
# (skipped) without ImageMagick.
set -uo pipefail
screenshots=$1 set=$2 out=$3
golden=$(cd "$(dirname "$0")" && pwd)/golden
command -v compare >/dev/null || { echo "skipped: ImageMagick's compare is missing"; exit 77; }
faketime=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 2>/dev/null | head -n 1)
[ -n "$faketime" ] || { echo "skipped: libfaketime is missing"; exit 77; }
rm -rf "$out"
mkdir -p "$out"
# Under AddressSanitizer the preloaded clock comes before its runtime, which
# it then must not refuse.
LD_PRELOAD=$faketime FAKETIME="2025-01-01 12:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$screenshots" shots "$out" "$set" >/dev/null 2>&1 ||
  { echo "FAIL: pelzo-screenshots failed"; exit 1; }
failed=0
for picture in "$golden"/*.png; do
  name=$(basename "$picture")
  if [ "${4:-}" = --update ]; then
    cp "$out/$name" "$picture"
    continue
  fi
  # compare prints the count of differing pixels on stderr.
  differ=$(compare -metric AE "$picture" "$out/$name" "$out/diff_$name" 2>&1 >/dev/null)
  if [ "$differ" != 0 ]; then
    echo "FAIL: $name differs from its golden picture in $differ pixels (see $out/$name and $out/diff_$name)"
    failed=1
  fi
done
exit $failed
