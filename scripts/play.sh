#!/usr/bin/env bash
# Sets up, builds and starts the game with the bundled sample set.
# Extra arguments go to the game (for example -mute).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELZO_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target pelzowin
exec ./build/pelzowin "$@" data/samples/sample.zip
