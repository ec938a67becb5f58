#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows game's Japanese font on a Windows without the known fonts, under
# Wine on an X server, in a prefix of its own with no Japanese font at all:
#
#   tests/wine/fonts_under_wine.sh GAME.exe SAMPLE.zip
#
# 1. With ipam.ttf beside the game (as the release ships it), the title's
#    start button is drawn in Japanese: "ー" a thin bar, not a box as tall as
#    "ゲ"; so is the question screen's "次の問題 →" ("→" far lower than
#    "次"), and the result screen's button differs from its boxes of case 3;
#    nothing says the font is missing.
# 2. Without it, but with only a Yu Gothic collection (YuGothR.ttc) in the
#    system's fonts folder, that collection is used.
# 3. Without either, a message box says so before the game's window, and the
#    game then runs with boxes for Japanese (the same two checks fail).
#
# KEEP=1 keeps the work folder, with the crops read, for a look.
# Needs DISPLAY, wine, xdotool, ImageMagick and python3. Exits 77 (skipped)
# without them.
set -uo pipefail
exe=${1:?usage: fonts_under_wine.sh GAME.exe SAMPLE.zip}
sample=${2:?usage: fonts_under_wine.sh GAME.exe SAMPLE.zip}
for tool in wine wineboot wineserver winepath xdotool import convert python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
[ -n "${DISPLAY:-}" ] || { echo "skipped: needs an X server (DISPLAY)"; exit 77; }
mincho=/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf
gothic=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
sans=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
for f in "$mincho" "$gothic" "$sans"; do [ -f "$f" ] || { echo "skipped: $f is missing"; exit 77; }; done

work=$(mktemp -d); [ -n "${KEEP:-}" ] && echo "work: $work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A prefix of a Windows with no Japanese font: only DejaVu Sans as arial.ttf,
# the Latin default font the game looks for.
wineboot -i >/dev/null 2>&1 || true
wineserver -w
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cp "$sans" "$fonts/arial.ttf"
game=$work/game
mkdir -p "$game"
cp "$exe" "$game/pelzowin.exe"
cp "$sample" "$game/sample.zip"

# pixel, pixel_is, within, find_window, wait_pixel, click, press, process_ends, ink_height, low_cell
. "$(dirname "$0")/window_support.sh"

# Starts the game; true when its title's start button reads in Japanese.
# Leaves the game running in pid.
start_and_read_label() {
  (cd "$game" && exec wine pelzowin.exe -mute sample.zip >"$work/wine.log" 2>&1 </dev/null) &
  pid=$!
  if [ "${1:-}" = box ]; then
    # The message box comes first, over no game window yet.
    if find_window PelzoWin; then
      press "--window $wid Return" "the message box" box_gone || fail "Return did not close the message box"
    else
      fail "no message box about the missing font"
    fi
  fi
  find_window "PelzoWin ver1.1.0" || { fail "the game's window did not appear"; return 1; }
  xdotool mousemove --window "$wid" 900 600
  seen=$(wait_pixel 930 290 "18,20,35") || fail "no title screen: pixel 930,290 is $seen"
  import -silent -window "$wid" -crop 252x48+354+344 +repage "$work/label.png"
  low_cell "$work/label.png" 1 7 3
}

# In the running game: starts it, answers the first question and reads the
# "次の問題 →" button; true when "→" (its last cell) is far lower than "次".
answer_and_read_next() {
  # The choices show once the stage card has gone.
  click 480 368 "the start button" pixel_is 465 400 "38,44,70" ||
    fail "the click did not start the game: pixel 465,400 is $(pixel 465 400)"
  answer_first
  import -silent -window "$wid" -crop 164x28+398+599 +repage "$work/next.png"  # inside its outline
  low_cell "$work/next.png" 5 6 2
}

# In the running game, after answer_and_read_next: answers the other nine
# questions and saves the result screen's button (GAME OVER's or a cleared
# stage's, whichever it is) as $1.
play_to_result() {
  local question
  for question in $(seq 2 10); do
    # The button goes with the question.
    click 480 613 "the next button" pixel_is 396 613 "18,20,35" ||
      { fail "question $question did not come: pixel 396,613 is $(pixel 396 613)"; return; }
    answer_first || return
  done
  click 480 613 "the last next button" result_shown || fail "no result screen after the tenth answer"
  import -silent -window "$wid" -crop 260x90+350+376 +repage "$1"
}

# Answers slot 1 of the question up and waits for "次の問題 →".
answer_first() {
  click 250 370 "the first answer" pixel_is 396 613 "40,80,40" ||
    { fail "no next button after an answer: pixel 396,613 is $(pixel 396 613)"; return 1; }
}

# The message box about the missing font has gone.
box_gone() { ! xdotool search --name "^PelzoWin\$" >/dev/null 2>&1; }

# GAME OVER's button, or a cleared stage's.
result_shown() { [ "$(pixel 378 420)" = "80,20,20" ] || [ "$(pixel 368 452)" = "30,80,30" ]; }

stop_game() {
  [ -n "$pid" ] || return
  xdotool key --window "$wid" alt+F4 2>/dev/null
  process_ends "$pid" || { echo "FAIL: the game still runs 10 s after Alt+F4; ended"; failures=$((failures + 1)); }
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  pid=
}

# --- 1. the font shipped beside the game -------------------------------------
cp "$mincho" "$game/ipam.ttf"
start_and_read_label || fail "with ipam.ttf beside the game, the label is not in Japanese (ゲ $tall, ー $bar)"
answer_and_read_next || fail "with ipam.ttf beside the game, the question screen is not in Japanese (次 $tall, → $bar)"
cp "$work/next.png" "$work/next-shipped.png"
play_to_result "$work/result-shipped.png"
stop_game
grep -q "no Japanese font" "$work/wine.log" && fail "the game says it has no Japanese font beside ipam.ttf"

# --- 2. only a Yu Gothic collection ----------------------------------------
rm "$game/ipam.ttf"
# A collection of one face: the header, then IPA Gothic with its tables'
# offsets moved past the header.
python3 - "$gothic" "$fonts/YuGothR.ttc" <<'PY'
import struct, sys
font = bytearray(open(sys.argv[1], 'rb').read())
tables = struct.unpack('>H', font[4:6])[0]
for i in range(tables):
    at = 12 + 16 * i + 8
    struct.pack_into('>I', font, at, struct.unpack('>I', font[at:at + 4])[0] + 16)
open(sys.argv[2], 'wb').write(b'ttcf' + struct.pack('>III', 0x10000, 1, 16) + font)
PY
start_and_read_label || fail "with only YuGothR.ttc, the label is not in Japanese (ゲ $tall, ー $bar)"
stop_game
grep -q "no Japanese font" "$work/wine.log" && fail "the game says it has no Japanese font beside YuGothR.ttc"

# --- 3. no Japanese font at all ---------------------------------------------
rm "$fonts/YuGothR.ttc"
start_and_read_label box && fail "with no Japanese font the label still reads in Japanese"
answer_and_read_next && fail "with no Japanese font the question screen still reads in Japanese"
play_to_result "$work/result-boxes.png"
stop_game
# The result screen's button label: drawn as boxes here, and in Japanese with
# the shipped font, so the two pictures differ.
differ=$(compare -metric AE -fuzz 10% "$work/result-shipped.png" "$work/result-boxes.png" null: 2>&1)
[ "${differ%% *}" -gt 100 ] 2>/dev/null ||
  fail "the result screen with the shipped font looks as it does with boxes ($differ pixels differ)"
grep -q "no Japanese font found" "$work/wine.log" || fail "nothing on stderr about the missing font"

[ "$failures" -eq 0 ] && echo "passed"
exit $((failures > 0))
