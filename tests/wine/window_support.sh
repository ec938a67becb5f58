# SPDX-License-Identifier: MIT
# Looking at a game window under Wine on the X server, for the Wine game
# tests (sourced). The caller sets pid (the game's process) and gets wid (the
# window found). Every wait here is for a condition, bounded in seconds of
# the clock (not in tries, which a loaded machine makes slower), and says
# nothing itself: the caller names what did not happen.

# The colour of window pixel (x, y) as "r,g,b".
pixel() {
  import -silent -window "$wid" -crop "1x1+$1+$2" +repage txt:- 2>/dev/null |
    sed -n 's/.*srgb(\([0-9]*,[0-9]*,[0-9]*\)).*/\1/p'
}

# within SECONDS CMD...: runs CMD every 0.1 s until it succeeds; false when
# it has not within SECONDS.
within() {
  local limit=$(($(date +%s%N) + $1 * 1000000000))
  shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$limit" ] || return 1
    sleep 0.1
  done
}

# Waits up to 30 s for a window named $1 while the game runs; sets wid.
# False, at once, when the game has ended.
find_window() {
  wid=
  within 30 window_named "$1" && [ -n "$wid" ]
}
window_named() {
  wid=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
  [ -n "$wid" ] || ! kill -0 "$pid" 2>/dev/null
}

# Waits up to 10 s for pixel (x, y) to become one of the colours given;
# prints the colour last seen when it does not.
wait_pixel() {
  local x=$1 y=$2
  shift 2
  within 10 pixel_is "$x" "$y" "$@" || { pixel "$x" "$y"; return 1; }
}
pixel_is() {
  local seen want
  seen=$(pixel "$1" "$2")
  shift 2
  for want in "$@"; do [ "$seen" = "$want" ] && return 0; done
  return 1
}

# The number of pixels (with a fuzz of 2%) by which the window differs from
# the picture $1.
window_differs_from() {
  import -silent -window "$wid" "$1.now.png" 2>/dev/null &&
    compare -metric AE -fuzz 2% "$1" "$1.now.png" null: 2>&1 | sed 's/ .*//'
}
# True when the window looks as the picture $1 does; as it differs.
window_is() { [ "$(window_differs_from "$1")" = 0 ]; }
window_is_not() { local n; n=$(window_differs_from "$1"); [ -n "$n" ] && [ "$n" != 0 ]; }

# press KEYS WHAT TEST...: presses KEYS (xdotool key's arguments, e.g.
# "--window $wid Return") and waits up to 5 s for TEST to hold. A key Wine's
# window had not yet taken the focus for goes nowhere: pressed once more,
# saying so; false when it goes unheard twice.
press() {
  local keys=$1 what=$2
  shift 2
  # shellcheck disable=SC2086 # the keys are separate words
  xdotool key $keys 2>/dev/null
  within 5 "$@" && return 0
  echo "retry: ${keys##* } pressed for $what had no effect within 5 s; pressing it once more"
  # shellcheck disable=SC2086
  xdotool key $keys 2>/dev/null
  within 5 "$@"
}

# click X Y WHAT TEST...: clicks window point (x, y), moves the pointer off
# to (900, 20) and waits for TEST to hold. Under load Wine now and then lets
# a click go by: after 3 s (well inside a question's 10 s, and many frames
# even on a loaded machine) it is clicked once more, saying so, and TEST
# then has 10 s; false when it goes unheard twice. Every click this is used
# for is harmless when made twice.
click() {
  local x=$1 y=$2 what=$3
  shift 3
  xdotool mousemove --window "$wid" "$x" "$y" click 1 mousemove --window "$wid" 900 20
  within 3 "$@" && return 0
  echo "retry: the click on $what at $x,$y had no effect within 3 s; clicking again"
  xdotool mousemove --window "$wid" "$x" "$y" click 1 mousemove --window "$wid" 900 20
  within 10 "$@"
}

# Waits up to 10 s for process $1 to end; true when it has.
process_ends() { within 10 gone "$1"; }
gone() { ! kill -0 "$1" 2>/dev/null; }

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
