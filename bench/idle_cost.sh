#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What the game costs when nobody plays: the CPU time of the real game on its
# title screen, on a question while its countdown runs, and on the question
# answered by the timeout (waiting for "次の問題 →"), against a bare SDL2 loop
# (bench/bare_loop.cpp: a 4x multisampled OpenGL window cleared and presented
# 60 times a second), each measured over the same seconds on one X server
# (an Xvfb of its own, Mesa's software OpenGL), one after the other.
#
#   bench/idle_cost.sh BUILD_DIR [SECONDS]      (default 8 s each, at most 8)
#
# BUILD_DIR holds pelzowin and bare_loop (scripts/bench.sh builds them).
# Prints each one's share of a core and the game's ratios to the bare loop.
set -uo pipefail
build=${1:?usage: bench/idle_cost.sh BUILD_DIR [SECONDS]}
seconds=${2:-8}
[ "$seconds" -le 8 ] || seconds=8  # the countdown runs 10 s
set_path="$(cd "$(dirname "$0")/.." && pwd)/data/samples/sample.zip"
export SDL_AUDIODRIVER=dummy

. "$(dirname "$0")/../scripts/lib/xvfb.sh"
xvfb_start || exit 1
trap xvfb_stop EXIT
ticks=$(getconf CLK_TCK)

# cpu_ticks PID: user + system time so far, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# measure PID: the share of one core PID uses over the next $seconds seconds.
measure() {
  local a b
  a=$(cpu_ticks "$1")
  sleep "$seconds"
  b=$(cpu_ticks "$1")
  awk -v d=$((b - a)) -v t="$ticks" -v s="$seconds" 'BEGIN { printf "%.3f", d / t / s }'
}

"$build/bare_loop" &
pid=$!
sleep 2
bare=$(measure $pid)
kill $pid; wait $pid 2>/dev/null

"$build/pelzowin" "$set_path" >/dev/null 2>&1 &
pid=$!
sleep 5  # past the opening jingle
title=$(measure $pid)
# "ゲームスタート": the stage card (3.5 s), half a second, then the question
# with its ten seconds running; then the question answered by the timeout,
# waiting for "次の問題 →".
wid=$(xdotool search --name '^PelzoWin ver1.1.0$' | head -n 1)
xdotool mousemove --window "$wid" 480 368 click 1
xdotool mousemove --window "$wid" 480 250
sleep 4.5
countdown=$(measure $pid)
sleep $((15 - seconds))
answered=$(measure $pid)
kill $pid; wait $pid 2>/dev/null

awk -v b="$bare" -v t="$title" -v c="$countdown" -v a="$answered" 'BEGIN {
  printf "bare loop: %.1f%% of a core\n", b * 100
  printf "title:     %.1f%% of a core, %.2fx the bare loop\n", t * 100, t / b
  printf "countdown: %.1f%% of a core, %.2fx the bare loop\n", c * 100, c / b
  printf "answered:  %.1f%% of a core, %.2fx the bare loop\n", a * 100, a / b
}'
