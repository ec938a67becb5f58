#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows game as a player meets it, under Wine on an X server, clicked
# with xdotool and looked at with ImageMagick's import:
#
#   tests/wine/game_under_wine.sh GAME.exe SAMPLE.zip
#
# 1. Started with a set in a folder named "テスト ü 한" (the wide command
#    line), the game opens a window titled "PelzoWin ver1.1.0" with a
#    960 x 640 client area; its start button's label is drawn with the
#    Japanese font, not as boxes; a click on "ゲームスタート" starts the game,
#    a click on an answer colours it, and closing the window (Alt+F4, the
#    system's close command) ends the process with code 0.
# 2. Started without a set, a click on the start button opens the system's
#    open-file dialog; Escape cancels it and the title screen stays as it was.
# 3. A set typed into the dialog and taken with Enter starts the game within
#    a second of the OK.
#
# Needs DISPLAY, wine, xdotool, import and a prefix made by
# scripts/wine-prefix.sh in WINEPREFIX. Exits 77 (skipped) without them.
set -uo pipefail
exe=${1:?usage: game_under_wine.sh GAME.exe SAMPLE.zip}
sample=${2:?usage: game_under_wine.sh GAME.exe SAMPLE.zip}

for tool in wine winepath xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
[ -n "${DISPLAY:-}" ] || { echo "skipped: needs an X server (DISPLAY)"; exit 77; }
[ -f "${WINEPREFIX:-}/drive_c/windows/Fonts/yumindb.ttf" ] ||
  { echo "skipped: WINEPREFIX is not a prefix made by scripts/wine-prefix.sh"; exit 77; }
export WINEDEBUG=-all SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8
exe=$(realpath "$exe")

work=$(mktemp -d)
pid= game=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# pixel, pixel_is, within, find_window, wait_pixel, click, press, window_is, process_ends, ink_height
. "$(dirname "$0")/window_support.sh"

# Waits up to 10 s for the game to end; sets code to its exit code.
wait_exit() {
  code=
  process_ends "$pid" || return 1
  wait "$pid"
  code=$?
  pid=
}

# Closes the game's window and expects exit code 0 ($1 names the start).
close_game() {
  [ -n "$pid" ] || return
  # A game whose window never came is ended (its failure is told already).
  if [ -z "$game" ]; then kill "$pid" 2>/dev/null; pid=; return; fi
  xdotool key --window "$game" alt+F4
  if ! wait_exit; then
    fail "the game still runs 10 s after its window was closed ($1)"
  elif [ "$code" -ne 0 ]; then
    fail "the game ended with code $code ($1)"
  fi
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  pid=
}

# --- 1. a whole click through a game ------------------------------------------
folder="$work/テスト ü 한"
mkdir -p "$folder"
cp "$sample" "$folder/sample.zip"
set_path=$(winepath -w "$folder/sample.zip" 2>/dev/null)
# Wine's output goes to a file: the helper processes it starts keep it open.
(cd "$work" && exec wine "$exe" -mute "$set_path" >"$work/wine.log" 2>&1 </dev/null) &
pid=$!

if ! find_window "PelzoWin ver1.1.0"; then
  fail "the game's window did not appear"
else
  size=$(xdotool getwindowgeometry "$wid" | sed -n 's/^ *Geometry: //p')
  [ "$size" = "960x640" ] || fail "the client area is $size, not 960x640"
  xdotool mousemove --window "$wid" 900 600
  # The title screen: its background right of the logo.
  seen=$(wait_pixel 930 290 "18,20,35") || fail "no title screen: pixel 930,290 is $seen"

  # The start button's label, "ゲームスタート": seven full-width characters in
  # equal cells. With the Japanese font the long-vowel mark "ー" (cell 2) is
  # a thin bar, far lower than "ゲ" (cell 1); as missing-glyph boxes both
  # would be the same height.
  import -silent -window "$wid" -crop 252x48+354+344 +repage "$work/label.png"
  tall=$(ink_height "$work/label.png" 0 7)
  bar=$(ink_height "$work/label.png" 1 7)
  if [ -z "$tall" ] || [ -z "$bar" ] || [ "$tall" -lt 12 ] || [ $((bar * 3)) -gt "$tall" ]; then
    fail "the start button's label is not drawn with the Japanese font (ink heights ゲ $tall, ー $bar)"
  fi

  # A click on "ゲームスタート" starts the game: the question panel appears
  # and, once the stage card has gone, the choices.
  click 480 368 "the start button" pixel_is 930 290 "28,32,55" ||
    fail "the click did not start the game: pixel 930,290 is $(pixel 930 290)"
  seen=$(wait_pixel 465 400 "38,44,70") || fail "the choices did not show: pixel 465,400 is $seen"
  # A click on answer slot 1 (x 25-475, y 330-410) turns it green (right) or
  # red (wrong).
  click 250 370 "the first answer" pixel_is 465 400 "20,80,40" "120,30,30" ||
    fail "the answer was not coloured: pixel 465,400 is $(pixel 465 400)"

  game=$wid
  close_game "first start"
fi
[ -n "$pid" ] && kill "$pid" 2>/dev/null
pid=

# Starts the game without a set ($1 names the start in messages), clicks the
# start button and waits for the open-file dialog to have the keyboard focus.
# Sets game to the game's window and wid to the dialog's; the title screen as
# it was before the click is in $work/before.png. False when any step fails.
open_dialog() {
  (cd "$work" && exec wine "$exe" -mute >>"$work/wine.log" 2>&1 </dev/null) &
  pid=$!
  if ! find_window "PelzoWin ver1.1.0"; then
    fail "the game's window did not appear ($1)"
    return 1
  fi
  game=$wid
  xdotool mousemove --window "$game" 480 368
  # The start button lit under the pointer, as it will be when the dialog
  # has gone.
  if ! seen=$(wait_pixel 480 345 "60,90,150"); then
    fail "the start button did not light under the pointer: pixel 480,345 is $seen ($1)"
    return 1
  fi
  import -silent -window "$game" "$work/before.png"
  xdotool click 1
  # Wine's dialog is titled "Open".
  if ! find_window "Open"; then
    fail "the open-file dialog did not appear ($1)"
    return 1
  fi
  # Keys typed on the keyboard go to the focused window, so the dialog must
  # have the focus first (a key for the game would end it).
  within 5 focus_on "$wid" && return 0
  fail "the dialog never took the keyboard focus ($1)"
  return 1
}
focus_on() {
  xdotool windowfocus "$1" 2>/dev/null
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}
dialog_gone() { ! xdotool search --name "^Open\$" >/dev/null 2>&1; }

# --- 2. the open-file dialog, cancelled -----------------------------------------
if open_dialog "second start"; then
  press "Escape" "the dialog" dialog_gone || fail "Escape did not close the dialog"
  # The title screen comes back as it was, pointer light and all.
  wid=$game
  within 5 window_is "$work/before.png" ||
    fail "the title screen changed after the cancelled dialog ($(window_differs_from "$work/before.png") pixels)"
  seen=$(pixel 930 290)
  [ "$seen" = "18,20,35" ] || fail "not on the title screen after the cancelled dialog: pixel 930,290 is $seen"
fi
close_game "second start"

# True when the dialog looks as it did a moment ago (typed.png), which it
# then becomes.
typed_settled() {
  window_is "$work/typed.png" && return 0
  mv "$work/typed.png.now.png" "$work/typed.png"
  return 1
}

# --- 3. a set chosen in the open-file dialog -------------------------------------
# The game goes on as soon as the dialog's OK is pressed: the set loads and
# the play screen shows within what a command-line start takes, not after
# the seconds Wine spends taking the dialog's window down (2 s with no
# window manager).
if open_dialog "third start"; then
  # Typed as a path of ASCII letters, which xdotool types into any
  # keyboard layout; Return only once the dialog shows the whole path (its
  # picture stops changing).
  import -silent -window "$wid" "$work/empty.png"
  xdotool type --delay 5 "$(winepath -w "$(realpath "$sample")" 2>/dev/null)"
  within 5 window_is_not "$work/empty.png" || fail "the typed path did not show in the dialog"
  import -silent -window "$wid" "$work/typed.png"
  within 5 typed_settled || fail "the dialog's picture kept changing after the path was typed"
  wid=$game
  start=$(date +%s%N)
  xdotool key Return
  if ! seen=$(wait_pixel 930 290 "28,32,55"); then
    fail "the set chosen in the dialog did not start the game: pixel 930,290 is $seen"
  else
    took=$((($(date +%s%N) - start) / 1000000))
    [ "$took" -le 1000 ] || fail "the play screen showed $took ms after the dialog's OK (at most 1000 allowed)"
  fi
fi
close_game "third start"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the game played, coloured an answer, cancelled the dialog, played a set chosen in it at once, and exited 0 three times"
