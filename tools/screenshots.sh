#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Screenshots of every screen of the game, two ways:
#   OUT_DIR/headless/  every state rendered by the headless driver
#                      (pelzo-screenshots shots), software renderer;
#   OUT_DIR/xvfb/      the real game under Xvfb, driven with the mouse by
#                      xdotool and captured with ImageMagick's import: the
#                      title, the title after a failed load, the intro card, a
#                      question before and after an answer, the stage clear
#                      and game clear screens of a whole game played right,
#                      and GAME OVER.
#
#   tools/screenshots.sh OUT_DIR [BUILD_DIR]      (default build/)
#
# Needs the targets pelzowin and pelzo-screenshots built in BUILD_DIR, and
# Xvfb, xdotool and ImageMagick. The whole game is played right when
# libfaketime (Debian's faketime) is installed: the game and
# `pelzo-screenshots answers` start at the same fake second, so both seed rand
# alike and the answers are known in advance. Without it every question is
# answered with slot 1 and the game ends after stage 1. Each answered question
# is checked: the clicked choice must turn green (right) or red (wrong) as
# expected; a mismatch is reported and makes the script fail.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:?usage: tools/screenshots.sh OUT_DIR [BUILD_DIR]}"
build="${2:-$root/build}"
set_path="$root/data/samples/sample.zip"
mkdir -p "$out/headless" "$out/xvfb"
out="$(cd "$out" && pwd)"

for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
for exe in pelzowin pelzo-screenshots; do
    [ -x "$build/$exe" ] || { echo "missing: $build/$exe (build it first)" >&2; exit 1; }
done

export SDL_AUDIODRIVER=dummy

echo "== headless"
"$build/pelzo-screenshots" shots "$out/headless" "$set_path"

echo "== Xvfb"
. "$root/scripts/lib/xvfb.sh"
xvfb_start || exit 1
game_pid=""
cleanup() {
    if [ -n "$game_pid" ]; then kill "$game_pid" 2>/dev/null || true; wait "$game_pid" 2>/dev/null || true; fi
    xvfb_stop
}
trap cleanup EXIT

fake_start="@2025-01-01 12:00:00"
use_faketime=0
faketime_lib="$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 2>/dev/null | head -1 || true)"
[ -n "$faketime_lib" ] && use_faketime=1

# Starts the game with the given arguments and finds its window's offset.
wx=0
wy=0
start_game() {
    # The library is preloaded rather than run through the faketime wrapper,
    # which would stand between this script and the game's process.
    if [ "$use_faketime" = 1 ]; then
        DONT_FAKE_MONOTONIC=1 FAKETIME="$fake_start" LD_PRELOAD="$faketime_lib" \
            "$build/pelzowin" "$@" >/dev/null 2>&1 &
    else
        "$build/pelzowin" "$@" >/dev/null 2>&1 &
    fi
    game_pid=$!
    local wid
    wid="$(xdotool search --sync --onlyvisible --pid "$game_pid" --name PelzoWin | head -1)"
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    wx=$X
    wy=$Y
    sleep 1
}

stop_game() {
    kill -TERM "$game_pid"
    wait "$game_pid" || echo "the game exited with status $?" >&2
    game_pid=""
}

# A left click at window coordinates, then the pointer moved out of the way.
click() {
    xdotool mousemove $((wx + $1)) $((wy + $2)) click 1
    sleep "${3:-0.3}"
    xdotool mousemove $((wx + 940)) $((wy + 630))
}

shot() {
    sleep 0.2
    import -window root -crop "960x640+$wx+$wy" +repage "$out/xvfb/$1.png"
    echo "$out/xvfb/$1.png"
}

# The colour of one window pixel, as "r,g,b".
pixel() {
    import -window root -crop "1x1+$((wx + $1))+$((wy + $2))" +repage txt:- |
        sed -n '2s/.*srgb(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p'
}

# Waits up to two seconds for a window pixel to show "r,g,b"; false if it
# never does. The frame rate under Xvfb varies with the machine's load.
wait_pixel() {
    local tries
    for tries in $(seq 10); do
        [ "$(pixel "$1" "$2")" = "$3" ] && return 0
        sleep 0.2
    done
    return 1
}

# Choice slots 1-5: their centres, and a body pixel left of the text column.
cx=(0 250 710 250 710 480)
cy=(0 370 370 459 459 547)
bx=(0 40 500 40 500 270)
by=(0 390 390 479 479 567)
mismatches=0

# Answers one question with `slot` and checks the colour it turns.
answer() {
    local slot=$1 expect=$2 got
    click "${cx[$slot]}" "${cy[$slot]}" 0.2
    [ -n "$expect" ] || return 0
    if ! wait_pixel "${bx[$slot]}" "${by[$slot]}" "$expect"; then
        got="$(pixel "${bx[$slot]}" "${by[$slot]}")"
        echo "slot $slot shows $got, expected $expect" >&2
        mismatches=$((mismatches + 1))
    fi
}

right_body="20,80,40"
wrong_body="120,30,30"

# Title with a missing file: the error plate after a click on the start button.
start_game /nonexistent/quiz-set.zip
shot title
click 480 368 1
shot title_error
stop_game

# A whole game.
answers=()
if [ "$use_faketime" = 1 ]; then
    mapfile -t answers < <(DONT_FAKE_MONOTONIC=1 FAKETIME="$fake_start" LD_PRELOAD="$faketime_lib" \
        "$build/pelzo-screenshots" answers "$set_path" 2>/dev/null)
fi
start_game "$set_path"
click 480 368 0.5
shot intro
sleep 4
i=0
for stage in $(seq 10); do
    for q in $(seq 10); do
        slot=1
        if [ "${#answers[@]}" -eq 100 ]; then slot="${answers[$i]}"; fi
        i=$((i + 1))
        if [ "$stage$q" = "11" ]; then
            xdotool mousemove $((wx + cx[3])) $((wy + cy[3]))
            wait_pixel "${bx[3]}" "${by[3]}" "55,65,110" || echo "choice 3 did not light up" >&2
            shot question_hovered
        fi
        if [ "${#answers[@]}" -eq 100 ]; then
            answer "$slot" "$right_body"
        else
            answer "$slot" ""
        fi
        if [ "$stage$q" = "11" ]; then shot question_answered; fi
        click 480 613 0.3
    done
    if [ "$stage" = 1 ]; then shot result_stage_clear; fi
    if [ "$stage" = 10 ]; then shot result_game_clear; fi
    if [ "${#answers[@]}" -ne 100 ]; then break; fi
    click 480 436 4.2   # next stage (or back to the title after stage 10)
done
shot title_after_game
stop_game

# GAME OVER: the same first stage, every question answered wrong.
start_game "$set_path"
click 480 368 4.5
for q in $(seq 10); do
    slot=2
    if [ "${#answers[@]}" -eq 100 ]; then slot=$(( answers[q - 1] % 5 + 1 )); fi
    if [ "${#answers[@]}" -eq 100 ]; then answer "$slot" "$wrong_body"; else answer "$slot" ""; fi
    click 480 613 0.3
done
shot result_game_over
stop_game

echo "font: $(readlink -f /usr/share/fonts/truetype/fonts-japanese-mincho.ttf 2>/dev/null || echo unknown)"
echo "answers checked, mismatches: $mismatches"
[ "$mismatches" -eq 0 ]
