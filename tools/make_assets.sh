#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the game's logo, icons, sounds and countdown music into assets/.
#
#   tools/make_assets.sh [OUT_DIR]      (default: assets/ of this repository)
#
# Needs Debian's sox, ImageMagick, vorbis-tools (oggenc) and python3 (standard
# library only), all installed by scripts/setup.sh, and the DejaVu fonts of
# fonts-dejavu-core (pulled in by fontconfig). The sounds are synthesised by
# tools/assets/synth.py; sox sets their level and format, oggenc encodes the
# music. Every file is checked at the end and the script fails when a
# property the game relies on is off. Reruns give the same bytes on the same
# tool versions: no time stamps, fixed random seeds, a fixed Ogg serial.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/../assets}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

for tool in sox soxi convert identify oggenc python3; do
  command -v "$tool" >/dev/null || { echo "make_assets: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done
font=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf
[ -f "$font" ] || { echo "make_assets: $font is missing (install fonts-dejavu-core)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "make_assets: $*" >&2; exit 1; }

# --- images ------------------------------------------------------------------
# The game's palette.
BG='rgb(18,20,35)'
BLUE='rgb(90,200,255)'
MUTED='rgb(160,170,200)'
GREEN='rgb(80,220,120)'
YELLOW='rgb(255,220,60)'
RED='rgb(255,80,80)'
WHITE='rgb(255,255,255)'
SHADOW='rgb(8,40,70)'   # the accent blue darkened, for drop shadows

# PNGs without date chunks, always written as 8-bit RGBA.
png_opts=(-define png:exclude-chunks=date,time -strip)

# Logo: a rounded dark plate with a blue rim, a yellow "?" badge, "Pelzo" in
# white and "Win" in blue with a dark outline and a drop shadow, and five dots
# in the answer colours underneath.
size=68        # point size of the title
tx=122         # left edge of "Pelzo"
top=19         # top of the text box (baseline 84 minus the ascent 65)
pelzo_w=$(convert -font "$font" -pointsize "$size" label:Pelzo -format %w info:)
wx=$((tx + pelzo_w - 4))
convert -size 462x132 xc:none \
  -fill 'rgba(18,20,35,0.92)' -stroke "$BLUE" -strokewidth 3 -draw 'roundrectangle 2,2 459,129 26,26' \
  -stroke none -fill 'rgba(90,200,255,0.10)' -draw 'roundrectangle 8,8 453,60 20,20' \
  -fill "$SHADOW" -draw 'circle 64,70 64,26' \
  -fill "$YELLOW" -stroke "$BG" -strokewidth 4 -draw 'circle 62,66 62,24' \
  -stroke none -fill 'rgba(255,255,255,0.35)' -draw 'ellipse 50,46 18,9 0,360' \
  -gravity NorthWest -font "$font" -pointsize 64 -fill "$BG" -annotate +48+24 '?' \
  -pointsize "$size" \
  -fill "$SHADOW" -stroke "$SHADOW" -strokewidth 10 \
  -annotate +$((tx + 4))+$((top + 5)) Pelzo -annotate +$((wx + 4))+$((top + 5)) Win \
  -fill "$BG" -stroke "$BG" -strokewidth 8 -annotate +$tx+$top Pelzo -annotate +$wx+$top Win \
  -stroke none -fill "$WHITE" -annotate +$tx+$top Pelzo -fill "$BLUE" -annotate +$wx+$top Win \
  -fill "$GREEN" -draw 'circle 240,110 240,104' -fill "$YELLOW" -draw 'circle 262,110 262,104' \
  -fill "$RED" -draw 'circle 284,110 284,104' -fill "$BLUE" -draw 'circle 306,110 306,104' \
  -fill "$MUTED" -draw 'circle 328,110 328,104' \
  "${png_opts[@]}" PNG32:"$out/logo.png"

# The "?" badge on a rounded dark square, drawn at K times its 64-px design:
# every coordinate, radius, stroke width and point size is scaled, so a large
# icon is drawn sharp instead of blown up.
draw_icon() {  # K OUT
  local k=$1
  s() { awk -v k="$k" -v v="$1" 'BEGIN { print v * k }'; }
  convert -size "$(s 64)x$(s 64)" xc:none \
    -fill "$BG" -stroke "$BLUE" -strokewidth "$(s 3)" \
    -draw "roundrectangle $(s 1.5),$(s 1.5) $(s 62.5),$(s 62.5) $(s 14),$(s 14)" \
    -fill "$SHADOW" -stroke none -draw "circle $(s 33),$(s 34) $(s 33),$(s 9)" \
    -fill "$YELLOW" -stroke "$BG" -strokewidth "$(s 2)" -draw "circle $(s 32),$(s 32) $(s 32),$(s 8)" \
    -stroke none -fill 'rgba(255,255,255,0.35)' -draw "ellipse $(s 25),$(s 21) $(s 10),$(s 5) 0,360" \
    -gravity center -font "$font" -pointsize "$(s 38)" -fill "$BG" -annotate "+$(s 1)-$(s 1)" '?' \
    "${png_opts[@]}" PNG32:"$2"
}

# Icon, and the .ico made from it.
draw_icon 1 "$out/icon.png"
convert "$out/icon.png" -define icon:auto-resize=64,48,32,16 "$out/pelzo_win.ico"

# Application icon of the Windows build (icon group 1 of the .exe, compiled by
# windres): the same design drawn again at 256 px.
draw_icon 4 "$work/app256.png"
# 128, 64, 48, 32 and 16 px are Lanczos reductions of the 256-px drawing (64 as
# well, so all six images come from one drawing). ImageMagick's ICO writer
# keeps the images in this order, stores the 256-px one as an RGBA PNG (what
# Windows reads at that size) and the others as 32-bit BMPs with an alpha
# channel and an AND mask. -depth 8 rounds the reductions to 8-bit samples
# first: the writer marks a pixel in the mask only when its 16-bit alpha is
# exactly zero, so without the rounding some pixels whose 8-bit alpha is zero
# would be missing from the mask.
reduce=()
for s in 128 64 48 32 16; do
  reduce+=( \( -clone 0 -resize "${s}x${s}" \) )
done
convert "$work/app256.png" -filter Lanczos "${reduce[@]}" -depth 8 "$out/pelzowin_app.ico"

# --- sounds ------------------------------------------------------------------
python3 "$here/assets/synth.py" "$work"

# -R seeds sox's dither with a fixed value, so reruns match.
for name in openning_8bit right wrong playstart_8bit; do
  sox -R "$work/$name.wav" -b 16 -e signed-integer -c 1 -r 44100 "$out/$name.wav" gain -n -1
done
# The music keeps a little more headroom: lossy coding overshoots square edges.
sox -R "$work/countup_10sec.wav" -b 16 -e signed-integer "$work/countup16.wav" gain -n -2
oggenc -Q -q 5 -s 1047 -o "$out/countup_10sec.ogg" "$work/countup16.wav"

# --- checks ------------------------------------------------------------------
peak_db() { sox "$1" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}'; }

check_sound() {   # file seconds
  local f="$out/$1" want="$2"
  [ "$(soxi -c "$f")" = 1 ] || fail "$1 is not mono"
  [ "$(soxi -r "$f")" = 44100 ] || fail "$1 is not 44,100 Hz"
  local len
  len=$(soxi -D "$f")
  awk -v l="$len" -v w="$want" 'BEGIN { d = l - w; exit !(d < 0.010 && d > -0.010) }' \
    || fail "$1 lasts $len s, want $want s"
  local pk
  pk=$(peak_db "$f")
  awk -v p="$pk" 'BEGIN { exit !(p <= -0.3 && p >= -3.0) }' || fail "$1 peaks at $pk dBFS"
  # A sound cut while still loud clicks when it stops.
  local tail
  tail=$(sox "$f" -n trim -0.01 stats 2>&1 | awk '/^Pk lev dB/ {print $4}')
  awk -v p="$tail" 'BEGIN { exit !(p <= -40) }' || fail "$1 ends at $tail dBFS, not faded out"
  printf '%-20s %8.3f s  peak %6s dBFS\n' "$1" "$len" "$pk"
}

for entry in openning_8bit.wav:7.46 playstart_8bit.wav:3.46 right.wav:0.92 wrong.wav:0.91; do
  name=${entry%%:*}
  [ "$(soxi -b "$out/$name")" = 16 ] || fail "$name is not 16-bit"
  [ "$(soxi -e "$out/$name")" = "Signed Integer PCM" ] || fail "$name is not PCM"
  check_sound "$name" "${entry#*:}"
done
[ "$(soxi -t "$out/countup_10sec.ogg")" = vorbis ] || fail "countup_10sec.ogg is not Vorbis"
check_sound countup_10sec.ogg 10.47

[ "$(identify -format '%w %h %[channels]' "$out/logo.png")" = "462 132 srgba" ] || fail "logo.png is not 462 x 132 RGBA"
[ "$(identify -format '%w %h %[channels]' "$out/icon.png")" = "64 64 srgba" ] || fail "icon.png is not 64 x 64 RGBA"
[ "$(identify -format '%w ' "$out/pelzowin_app.ico")" = "256 128 64 48 32 16 " ] \
  || fail "pelzowin_app.ico does not hold 256, 128, 64, 48, 32 and 16 px in that order"
python3 "$here/assets/inspect_assets.py" "$out" || fail "layout check failed"
echo "make_assets: all files in $out are good"
