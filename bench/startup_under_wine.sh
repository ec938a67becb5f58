#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up of the real game on an X server, the Linux build natively and the
# Windows build under Wine, measured the same way from outside: from the start
# of the process to the first frame of the title screen on the display (the
# title's background colour at a pixel right of the logo), five runs each,
# the median printed.
#
#   bench/startup_under_wine.sh LINUX_GAME WINDOWS_GAME.exe
#   bench/startup_under_wine.sh LINUX_GAME -          (the Linux build only)
#
# Needs DISPLAY, xdotool, ImageMagick's import and a prefix made by
# scripts/wine-prefix.sh in WINEPREFIX (the Wine server is kept up during the
# runs, as on a Windows machine the system is already running). The pixel is
# polled, so figures are good to about 30 ms.
set -uo pipefail
linux=${1:?usage: bench/startup_under_wine.sh LINUX_GAME WINDOWS_GAME.exe}
windows=${2:?usage: bench/startup_under_wine.sh LINUX_GAME WINDOWS_GAME.exe}
export WINEDEBUG=-all SDL_AUDIODRIVER=dummy
builds=(linux)
if [ "$windows" != - ]; then
  builds+=(windows)
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1
fi

now_ms() { date +%s%3N; }

# One start: prints the milliseconds to the first title frame, or "-".
one_run() {
  local t0 pid wid="" ms="-"
  t0=$(now_ms)
  "$@" -mute </dev/null >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1000); do
    [ -z "$wid" ] && wid=$(xdotool search --name '^PelzoWin ver1.1.0$' 2>/dev/null | head -n 1)
    if [ -n "$wid" ] && import -silent -window "$wid" -crop 1x1+930+290 txt:- 2>/dev/null | grep -q 'srgb(18,20,35)'; then
      ms=$(($(now_ms) - t0))
      break
    fi
    sleep 0.01
  done
  [ -n "$wid" ] && xdotool key --window "$wid" Escape 2>/dev/null
  wait "$pid" 2>/dev/null
  echo "$ms"
}

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

for build in "${builds[@]}"; do
  if [ "$build" = linux ]; then cmd=("$linux"); else cmd=(wine "$windows"); fi
  one_run "${cmd[@]}" >/dev/null  # a first start fills the caches
  times=$(for _ in 1 2 3 4 5; do one_run "${cmd[@]}"; done)
  echo "$build: $(echo "$times" | median) ms (runs: $(echo $times))"
done
[ "$windows" = - ] || wineserver -k
