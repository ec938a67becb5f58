#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the browser release of PelzoWin on this Debian machine:
#
#   scripts/build-web.sh [OUT_DIR] [BUILD_DIR]   (default: dist/, build-web/)
#
# writes OUT_DIR/pelzowin-<version>-web.zip, which holds at its top
#   index.html, loader.js, favicon.png the page (loader.js: how it loads the rest)
#   sw.js, manifest.webmanifest, icon-192.png, icon-512.png
#                                      the service worker (a later visit
#                                      downloads only what changed; offline
#                                      play) and the web app's manifest
#   pelzowin.js, pelzowin.wasm         the game
#   ipam-1.ttf.gz, ipam-2.ttf.gz       its font in two parts (cmake/WebPage.cmake)
#   pelzowin.wasm.js, ipam-*.ttf.gz.js the binary parts as scripts, which a
#                                      page opened from file:// loads instead
#   samples/                           the three sample sets
#   LICENSE-ipafont.txt                the shipped font's licence
#   LICENSE.txt, THIRD-PARTY-NOTICES.txt      PelzoWin's licence, and every
#                                      library's and font's the page holds
#   はじめての問題づくり.txt          the Japanese authors' guide
#   README-Web.txt                     how to host it, ?set= and &mute
# The libraries come from scripts/setup-web.sh (run here; it reuses what
# BUILD_DIR/deps already holds).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/dist}
build=${2:-$top/build-web}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$top"

say() { echo "build-web: $*"; }
die() { say "$*" >&2; exit 1; }

bash scripts/setup-web.sh "$build"
build=$(cd "$build" && pwd)
command -v zip >/dev/null || die "zip is missing (scripts/setup.sh installs it)"
export NODE_PATH=/usr/share/nodejs
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten-web.cmake -DCMAKE_BUILD_TYPE=Release \
  -DPELZO_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target pelzowin >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || die "no project version in $build/CMakeCache.txt"

stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage/samples"
cp "$build"/index.html "$build"/loader.js "$build"/favicon.png "$build"/manifest.webmanifest \
  "$build"/icon-192.png "$build"/icon-512.png "$build"/pelzowin.js "$build"/pelzowin.wasm \
  "$build"/pelzowin.wasm.js "$build"/ipam-1.ttf.gz "$build"/ipam-1.ttf.gz.js "$build"/ipam-2.ttf.gz \
  "$build"/ipam-2.ttf.gz.js "$stage/"
cp data/samples/sample.zip data/samples/sample.pzq data/samples/large.zip "$stage/samples/"
cp /usr/share/doc/fonts-ipafont-mincho/copyright "$stage/LICENSE-ipafont.txt"
sed -e "s/@VERSION@/$version/" packaging/web/README-Web.txt >"$stage/README-Web.txt"

# The service worker: the release's version names its cache, and each file
# it keeps is listed with its content's hash (all but the worker itself, the
# file:// wrappers and the texts), so a new release fetches only what changed.
files=$(cd "$stage" && find . -type f ! -name '*.txt' ! -name '*.gz.js' ! -name '*.wasm.js' | sed 's|^\./||' | sort |
  while read -r f; do printf '"%s": "%s", ' "$f" "$(sha256sum "$f" | cut -c1-16)"; done)
sed -e "s/@VERSION@/$version/" -e "s|@FILES@|{${files%, }}|" packaging/web/sw.js >"$stage/sw.js"

# The page must fetch nothing from anywhere but its own folder.
if grep -Eo '(src|href)="[a-z]+://[^"]*"' "$stage/index.html"; then
  die "index.html refers to another site"
fi

archive=$out/pelzowin-$version-web.zip
rm -f "$archive"
(cd "$stage" && zip -q -X -r "$archive" .)

# --- The licences and the Japanese authors' guide ---------------------------
# THIRD-PARTY-NOTICES.txt from what pelzowin links and the page ships (the
# libraries traced to the Debian source packages they were built from, the
# fonts to their packages; it fails when one has no notice), LICENSE.txt and
# はじめての問題づくり.txt, added to the archive with their names marked as
# UTF-8 (packaging/zip_tree.py).
python3 packaging/third_party_notices.py write "$stage/THIRD-PARTY-NOTICES.txt" \
  --release "PelzoWin $version for the browser" --deps "$build/deps" --stage "$stage" \
  --link "pelzowin.js=$build/CMakeFiles/pelzowin.dir/link.txt" || die "THIRD-PARTY-NOTICES.txt could not be made"
cp LICENSE "$stage/LICENSE.txt"
bash packaging/windows_text.sh --markdown docs/authoring.ja.md >"$stage/はじめての問題づくり.txt"
python3 packaging/zip_tree.py "$archive" "$stage" THIRD-PARTY-NOTICES.txt LICENSE.txt はじめての問題づくり.txt
say "wrote $archive ($(( $(stat -c %s "$archive") / 1024 )) KiB)"
