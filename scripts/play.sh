#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and starts the game with the bundled sample set.
# Extra arguments go to the game (for example -mute).
#
# Installs only what building and playing need (scripts/setup.sh --play) and
# builds without the tests, in build-play/: a folder of its own, so that the
# test build in build/ never has its tests switched off by this one.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh --play
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELZO_BUILD_TESTS=OFF >/dev/null
cmake --build build-play -j"$(nproc)" --target pelzowin
exec ./build-play/pelzowin "$@" data/samples/sample.zip
