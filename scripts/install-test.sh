#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and checks the result:
#   - every installed file is where the desktop expects it;
#   - the installed pelzo-quiz loads the installed sample sets;
#   - the installed game starts headless and exits 0 on SIGTERM;
#   - with only the installed share/ as the desktop's data (its MIME and
#     .desktop caches built there as Debian's dpkg triggers build them), a
#     .pzq file has the game's MIME type, by name and by content, and the
#     game's .desktop entry opens it, while ZIP sets are left alone.
# With --deb it also builds the Debian package with cpack, lists and checks it
# with dpkg-deb, unpacks it into a temporary folder and runs the same checks
# on the unpacked files.
#
#   scripts/install-test.sh [--deb] [BUILD_DIR]     (default BUILD_DIR: build)
#
# Nothing outside the temporary folders changes (cpack writes its .deb into
# a temporary folder too). Exit 0 when every check passes.
set -euo pipefail

deb=0
build=""
for arg in "$@"; do
  case "$arg" in
    --deb) deb=1 ;;
    -*) echo "usage: $0 [--deb] [BUILD_DIR]" >&2; exit 2 ;;
    *) build=$arg ;;
  esac
done
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${build:-$top/build}" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/pelzo-install.XXXXXX")
game_pid=""
cleanup() {
  if [ -n "$game_pid" ]; then kill -KILL "$game_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# check_tree ROOT: the files under ROOT (a prefix such as <dir>/usr).
check_tree() {
  local root=$1 label=$2
  local files=(
    bin/pelzo-quiz
    share/pelzowin/samples/sample.zip
    share/pelzowin/samples/sample.pzq
    share/pelzowin/samples/large.zip
    share/applications/pelzowin.desktop
    share/mime/packages/pelzowin-pzq.xml
    share/icons/hicolor/64x64/apps/pelzowin.png
    share/man/man6/pelzowin.6
    share/man/man1/pelzo-quiz.1
  )
  for f in "${files[@]}"; do
    if [ -s "$root/$f" ]; then pass "$label: $f"; else fail "$label: $f is missing"; fi
  done
  for f in right.wav wrong.wav openning_8bit.wav playstart_8bit.wav countup_10sec.ogg; do
    if [ -e "$root/bin/$f" ]; then fail "$label: bin/$f is installed, but the sounds are embedded"; fi
  done
  if ls "$root"/share/pelzowin/samples/src/*.txt >/dev/null 2>&1; then pass "$label: sample sources"; else fail "$label: sample sources missing"; fi

  local png
  png=$(head -c 24 "$root/share/icons/hicolor/64x64/apps/pelzowin.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')
  # PNG signature, IHDR, then width and height, both 64 (0x40), big-endian.
  if [ "$png" = "89504e470d0a1a0a0000000d494844520000004000000040" ]; then
    pass "$label: icon is a 64x64 PNG"
  else
    fail "$label: icon is not a 64x64 PNG ($png)"
  fi
  if grep -q '^Exec=pelzowin' "$root/share/applications/pelzowin.desktop" && grep -q '^Icon=pelzowin$' "$root/share/applications/pelzowin.desktop"; then
    pass "$label: .desktop names the game and its icon"
  else
    fail "$label: .desktop entry lacks Exec=pelzowin or Icon=pelzowin"
  fi
  if command -v desktop-file-validate >/dev/null; then
    if desktop-file-validate "$root/share/applications/pelzowin.desktop"; then pass "$label: .desktop validates"; else fail "$label: .desktop does not validate"; fi
  fi
  if command -v man >/dev/null; then
    for page in man6/pelzowin.6 man1/pelzo-quiz.1; do
      if MANWIDTH=80 man -l "$root/share/man/$page" 2>&1 >/dev/null | grep -q .; then
        fail "$label: $page has formatting warnings"
      else
        pass "$label: $page formats cleanly"
      fi
    done
  fi

  local out
  for set in sample.zip sample.pzq large.zip; do
    if out=$("$root/bin/pelzo-quiz" check "$root/share/pelzowin/samples/$set" 2>&1); then
      pass "$label: pelzo-quiz check $set ($(echo "$out" | wc -l) genres)"
    else
      fail "$label: pelzo-quiz check $set: $out"
    fi
  done

  if [ ! -x "$root/bin/pelzowin" ]; then
    echo "skip: $label: bin/pelzowin was not built, so the game start is not tested"
    return
  fi
  pass "$label: bin/pelzowin"
  # Start the installed game headless with the installed sample set, let it
  # run its frame loop, then ask it to stop as a desktop session would.
  (cd "$work" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec "$root/bin/pelzowin" "$root/share/pelzowin/samples/sample.zip") \
    >"$work/game.log" 2>&1 &
  game_pid=$!
  sleep 1.5
  if ! kill -0 "$game_pid" 2>/dev/null; then
    wait "$game_pid" && rc=0 || rc=$?
    game_pid=""
    fail "$label: the game exited by itself (status $rc) before SIGTERM: $(head -c 500 "$work/game.log")"
    return
  fi
  kill -TERM "$game_pid"
  local waited=0 rc
  while kill -0 "$game_pid" 2>/dev/null && [ $waited -lt 50 ]; do sleep 0.1; waited=$((waited + 1)); done
  if kill -0 "$game_pid" 2>/dev/null; then
    fail "$label: the game did not exit within 5 s of SIGTERM"
    return
  fi
  wait "$game_pid" && rc=0 || rc=$?
  game_pid=""
  if [ "$rc" -eq 0 ]; then pass "$label: the game started headless and exited 0 on SIGTERM"; else fail "$label: the game exited $rc on SIGTERM: $(head -c 500 "$work/game.log")"; fi
}

pzq_type=application/x-pelzowin-quiz

# check_mime ROOT LABEL: builds the MIME and .desktop caches under ROOT/share,
# then asks xdg-mime with ROOT/share as the only data folder (and empty home
# and config folders, so nothing of this machine's desktop settings counts).
# XDG_CURRENT_DESKTOP=GNOME makes xdg-mime detect types with gio, as GNOME's
# file manager does; the default application comes from mimeinfo.cache.
check_mime() {
  local root=$1 label=$2
  local share=$root/share xdg=$work/xdg-$label tool
  for tool in xdg-mime gio update-mime-database update-desktop-database; do
    command -v "$tool" >/dev/null || { fail "$label: $tool is missing (scripts/setup.sh installs it)"; return; }
  done
  mkdir -p "$xdg/home" "$xdg/config" "$xdg/files"
  local env=(env HOME="$xdg/home" XDG_DATA_HOME="$xdg/home/.local/share" XDG_DATA_DIRS="$share"
             XDG_CONFIG_HOME="$xdg/config" XDG_CONFIG_DIRS="$xdg/config"
             XDG_CURRENT_DESKTOP=GNOME GIO_USE_VFS=local)
  "${env[@]}" update-mime-database "$share/mime" || { fail "$label: update-mime-database failed"; return; }
  "${env[@]}" update-desktop-database "$share/applications" || { fail "$label: update-desktop-database failed"; return; }
  cp "$share/pelzowin/samples/sample.pzq" "$xdg/files/set.pzq"
  # Renamed, a .pzq file is no set the game reads (it picks the format by the
  # name), so the type goes by the name alone, never by the header.
  cp "$share/pelzowin/samples/sample.pzq" "$xdg/files/set-without-suffix"
  cp "$share/pelzowin/samples/sample.pzq" "$xdg/files/set-renamed.dat"
  cp "$share/pelzowin/samples/sample.zip" "$xdg/files/set.zip"
  local f got
  got=$("${env[@]}" xdg-mime query filetype "$xdg/files/set.pzq" 2>&1 || true)
  if [ "$got" = "$pzq_type" ]; then pass "$label: set.pzq is $pzq_type"; else fail "$label: set.pzq is '$got', not $pzq_type"; fi
  for f in set-without-suffix set-renamed.dat; do
    got=$("${env[@]}" xdg-mime query filetype "$xdg/files/$f" 2>&1 || true)
    if [ "$got" != "$pzq_type" ]; then pass "$label: $f is not $pzq_type"; else fail "$label: $f is taken for $pzq_type"; fi
  done
  got=$("${env[@]}" xdg-mime query filetype "$xdg/files/set.zip" 2>&1 || true)
  if [ "$got" != "$pzq_type" ]; then pass "$label: set.zip is not $pzq_type"; else fail "$label: set.zip is taken for $pzq_type"; fi
  got=$("${env[@]}" xdg-mime query default "$pzq_type" 2>&1 || true)
  if [ "$got" = pelzowin.desktop ]; then pass "$label: $pzq_type opens with pelzowin.desktop"; else fail "$label: $pzq_type opens with '$got', not pelzowin.desktop"; fi
  got=$("${env[@]}" xdg-mime query default application/zip 2>&1 || true)
  if [ "$got" != pelzowin.desktop ]; then pass "$label: pelzowin.desktop does not claim application/zip"; else fail "$label: pelzowin.desktop claims application/zip"; fi
}

echo "== cmake --install $build =="
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install failed"; exit 1; }
check_tree "$work/prefix" install
check_mime "$work/prefix" install

if [ "$deb" -eq 1 ]; then
  echo "== cpack -G DEB =="
  (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
  package=$(ls "$work"/deb/pelzowin_*.deb 2>/dev/null | head -n 1)
  if [ -z "$package" ]; then fail "cpack wrote no pelzowin_*.deb"; exit 1; fi
  pass "built $(basename "$package")"
  info=$(dpkg-deb -I "$package")
  for want in "Package: pelzowin" "Maintainer: PelzoWin developers" "Section: games" \
              "libsdl2-2.0-0" "libsdl2-image-2.0-0" "libsdl2-mixer-2.0-0" "libfreetype6" "libfontconfig1" \
              "libgtk-3-0" "zlib1g" "fonts-ipafont-mincho | fonts-ipafont-gothic | fonts-noto-cjk"; do
    if grep -qF "$want" <<<"$info"; then pass "deb control: $want"; else fail "deb control lacks: $want"; fi
  done
  contents=$(dpkg-deb -c "$package")
  for want in ./usr/bin/pelzowin ./usr/bin/pelzo-quiz ./usr/share/applications/pelzowin.desktop \
              ./usr/share/mime/packages/pelzowin-pzq.xml \
              ./usr/share/icons/hicolor/64x64/apps/pelzowin.png ./usr/share/pelzowin/samples/sample.zip; do
    if grep -qF " $want" <<<"$contents"; then pass "deb holds $want"; else fail "deb lacks $want"; fi
  done
  # The caches are built on the installing machine from every package's
  # files (Debian's shared-mime-info and desktop-file-utils triggers do it):
  # a cache shipped in the .deb would hold only this package's type and
  # overwrite the system's.
  if grep -qE ' \./usr/share/(mime/[^p/][^/]*|mime/application/|applications/mimeinfo\.cache)' <<<"$contents"; then
    fail "deb ships a MIME or .desktop cache"
  else
    pass "deb ships no MIME or .desktop cache"
  fi
  if grep -qE ' \./usr/(bin|share)/.*' <<<"$contents" && ! grep -qE ' \./(usr/local|opt|home|tmp)/' <<<"$contents"; then
    pass "deb installs under /usr only"
  else
    fail "deb installs outside /usr"
  fi
  dpkg-deb -x "$package" "$work/unpacked"
  check_tree "$work/unpacked/usr" deb
  check_mime "$work/unpacked/usr" deb
fi

if [ "$failures" -ne 0 ]; then
  echo "install-test: $failures check(s) failed" >&2
  exit 1
fi
echo "install-test: all checks passed"
