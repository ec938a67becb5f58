# SPDX-License-Identifier: MIT
# Looking at a game window under Wine on the X server, for the Wine game
# tests (sourced). The caller sets pid (the game's process) and gets wid (the
# window found).

# The colour of window pixel (x, y) as "r,g,b".
pixel() {
  import -silent -window "$wid" -crop "1x1+$1+$2" +repage txt:- 2>/dev/null |
    sed -n 's/.*srgb(\([0-9]*,[0-9]*,[0-9]*\)).*/\1/p'
}

# Waits up to 30 s for a window named $1 while the game runs; sets wid.
find_window() {
  wid=
  for _ in $(seq 300); do
    wid=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$wid" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for pixel (x, y) to become one of the colours given.
wait_pixel() {
  local x=$1 y=$2 seen
  shift 2
  for _ in $(seq 100); do
    seen=$(pixel "$x" "$y")
    for want in "$@"; do [ "$seen" = "$want" ] && return 0; done
    sleep 0.1
  done
  echo "$seen"
  return 1
}

# The height in pixels of the ink in cell $2 of $3 equal cells across the
# label image $1 (white text on the button).
ink_height() {
  local label=$1 cell=$2 cells=$3 box x w
  box=$(convert "$label" -colorspace gray -threshold 60% -trim -format '%w %h %X %Y' info: 2>/dev/null)
  read -r w _ x _ <<<"$box"
  x=${x#+}
  convert "$label" -crop "$((w / cells))x100+$((x + w * cell / cells))+0" +repage -colorspace gray -threshold 60% \
    -trim -format '%h' info: 2>/dev/null
}

# True when cell $2 of $3 equal cells across the label image $1 holds ink at
# most 1/$4 as high as cell 0's (12 pixels or more): a thin mark of the
# Japanese font beside a full character, where missing-glyph boxes would all
# be one height.
low_cell() {
  local tall bar
  tall=$(ink_height "$1" 0 "$3")
  bar=$(ink_height "$1" "$2" "$3")
  [ -n "$tall" ] && [ -n "$bar" ] && [ "$tall" -ge 12 ] && [ $((bar * $4)) -le "$tall" ]
}
