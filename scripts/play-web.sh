#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the browser release of PelzoWin and serves it on 127.0.0.1, so it can
# be played in any browser of this machine:
#
#   scripts/play-web.sh [PORT]      (default 8000)
#
# Open the address it prints; add ?set=samples/sample.zip to start with the
# sample set. Ctrl+C stops the server.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
port=${1:-8000}
bash "$top/scripts/build-web.sh" "$top/dist"
site=$top/build-web/stage
echo "play-web: open http://127.0.0.1:$port/index.html?set=samples/sample.zip"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
