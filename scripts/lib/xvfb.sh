# SPDX-License-Identifier: MIT
# A private X server for scripts that drive real windows. Sourced:
#
#   . scripts/lib/xvfb.sh
#   xvfb_start [WIDTHxHEIGHTxDEPTH]     (default 1280x800x24)
#
# starts Xvfb on a display number no other server holds (Xvfb picks it
# itself, so two scripts starting at once never take the same one), waits
# until the server accepts clients, and exports DISPLAY; XVFB_PID is its
# process. Returns 1, saying why, when Xvfb is missing or does not come up
# within 20 s. xvfb_stop ends it (call it from the caller's EXIT trap).
XVFB_PID=""

xvfb_start() {
  local geometry=${1:-1280x800x24} ready display
  command -v Xvfb >/dev/null || { echo "xvfb: Xvfb is missing (scripts/setup.sh installs it)" >&2; return 1; }
  ready=$(mktemp)
  # -displayfd: Xvfb takes the first free display and writes its number,
  # with a newline, once it listens.
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 200); do
    [ "$(wc -l <"$ready")" -ge 1 ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  display=$(head -n 1 "$ready")
  rm -f "$ready"
  if [ -z "$display" ]; then
    echo "xvfb: Xvfb did not come up within 20 s" >&2
    xvfb_stop
    return 1
  fi
  export DISPLAY=:$display
}

xvfb_stop() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
