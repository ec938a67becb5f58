#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a built tree into a temporary prefix and checks the result:
#   - every installed file is where the desktop and Debian expect it: the game
#     in games/, pelzo-quiz in bin/, the icons at all six sizes (the pixels of
#     the application icon's images), man pages and changelog compressed with
#     gzip -9n, the copyright file and the authors' guide in share/doc/;
#   - the .desktop entry runs the installed game by its full path;
#   - the installed pelzo-quiz loads the installed sample sets;
#   - the installed game starts headless and exits 0 on SIGTERM;
#   - with only the installed share/ as the desktop's data (its MIME and
#     .desktop caches built there as Debian's dpkg triggers build them), a
#     .pzq file has the game's MIME type, by name and by content, and the
#     game's .desktop entry opens it, while ZIP sets are left alone.
# With --deb it also builds the Debian package with cpack, lists and checks it
# with dpkg-deb, unpacks it into a temporary folder and runs the same checks
# on the unpacked files, and runs lintian on it, which must report no error.
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

icon_sizes=(16 32 48 64 128 256)

# check_tree ROOT LABEL PREFIX: the files under ROOT, which is installed as
# PREFIX (for the unpacked .deb, ROOT is <dir>/usr and PREFIX /usr).
check_tree() {
  local root=$1 label=$2 prefix=$3 out
  local files=(
    bin/pelzo-quiz
    share/pelzowin/samples/sample.zip
    share/pelzowin/samples/sample.pzq
    share/pelzowin/samples/large.zip
    share/applications/pelzowin.desktop
    share/mime/packages/pelzowin-pzq.xml
    share/man/man6/pelzowin.6.gz
    share/man/man1/pelzo-quiz.1.gz
    share/locale/ja/LC_MESSAGES/pelzo-quiz.mo
    share/doc/pelzowin/copyright
    share/doc/pelzowin/changelog.gz
    share/doc/pelzowin/writing-quiz-sets.md.gz
    share/doc/pelzowin/writing-quiz-sets.ja.md.gz
  )
  for f in "${files[@]}"; do
    if [ -s "$root/$f" ]; then pass "$label: $f"; else fail "$label: $f is missing"; fi
  done
  if [ -e "$root/bin/pelzowin" ]; then fail "$label: the game is in bin/, not games/"; fi
  for f in right.wav wrong.wav openning_8bit.wav playstart_8bit.wav countup_10sec.ogg; do
    if [ -e "$root/bin/$f" ]; then fail "$label: bin/$f is installed, but the sounds are embedded"; fi
  done
  if ls "$root"/share/pelzowin/samples/src/*.txt >/dev/null 2>&1; then pass "$label: sample sources"; else fail "$label: sample sources missing"; fi
  # The installed tool finds its catalog under its own prefix.
  out=$(LANGUAGE= LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8 "$root/bin/pelzo-quiz" pack --bogus 2>&1 || true)
  if [ "${out%%$'\n'*}" = "pelzo-quiz pack: 不明なオプション --bogus" ]; then
    pass "$label: pelzo-quiz answers in Japanese under LANG=ja_JP.UTF-8"
  else
    fail "$label: pelzo-quiz under LANG=ja_JP.UTF-8 says: ${out%%$'\n'*}"
  fi

  check_icons "$root" "$label"
  check_docs "$root" "$label"
  local desktop=$root/share/applications/pelzowin.desktop
  if grep -q '^Icon=pelzowin$' "$desktop"; then pass "$label: .desktop names the icon"; else fail "$label: .desktop lacks Icon=pelzowin"; fi
  if [ "$prefix" = "$root" ] && [ -x "$root/games/pelzowin" ]; then
    check_launch "$root" "$label"
  elif grep -qxF "Exec=$prefix/games/pelzowin %f" "$desktop"; then
    pass "$label: .desktop runs $prefix/games/pelzowin"
  else
    fail "$label: .desktop entry lacks Exec=$prefix/games/pelzowin %f: $(grep '^Exec=' "$desktop")"
  fi
  if [ "$(grep -c '^Categories=Game;' "$desktop")" = 1 ]; then pass "$label: .desktop is in the Game menu"; else fail "$label: .desktop Categories do not start with Game"; fi
  if command -v desktop-file-validate >/dev/null; then
    # Hints count too: one of them is a second main menu category.
    if out=$(desktop-file-validate "$root/share/applications/pelzowin.desktop" 2>&1) && [ -z "$out" ]; then
      pass "$label: .desktop validates without a hint"
    else
      fail "$label: .desktop does not validate cleanly: $out"
    fi
  fi
  if command -v man >/dev/null; then
    for page in man6/pelzowin.6.gz man1/pelzo-quiz.1.gz; do
      if MANWIDTH=80 man -l "$root/share/man/$page" 2>&1 >/dev/null | grep -q .; then
        fail "$label: $page has formatting warnings"
      else
        pass "$label: $page formats cleanly"
      fi
    done
  fi

  for set in sample.zip sample.pzq large.zip; do
    if out=$("$root/bin/pelzo-quiz" check "$root/share/pelzowin/samples/$set" 2>&1); then
      pass "$label: pelzo-quiz check $set ($(echo "$out" | wc -l) genres)"
    else
      fail "$label: pelzo-quiz check $set: $out"
    fi
  done

  if [ ! -x "$root/games/pelzowin" ]; then
    echo "skip: $label: games/pelzowin was not built, so the game start is not tested"
    return
  fi
  pass "$label: games/pelzowin"
  # Start the installed game headless with the installed sample set, let it
  # run its frame loop, then ask it to stop as a desktop session would.
  (cd "$work" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec "$root/games/pelzowin" "$root/share/pelzowin/samples/sample.zip") \
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

# check_launch ROOT LABEL: the installed .desktop entry, launched with a set as
# a desktop launches it (gio), starts the installed game with that set. The
# game is found by its executable's path in /proc, then stopped with SIGTERM.
check_launch() {
  local root=$1 label=$2 set=$1/share/pelzowin/samples/sample.zip pid="" p waited=0
  command -v gio >/dev/null || { fail "$label: gio is missing (scripts/setup.sh installs it)"; return; }
  if ! (cd "$work" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        gio launch "$root/share/applications/pelzowin.desktop" "$set") >"$work/launch.log" 2>&1; then
    fail "$label: gio launch pelzowin.desktop failed: $(head -c 500 "$work/launch.log")"
    return
  fi
  while [ -z "$pid" ] && [ $waited -lt 50 ]; do
    for p in /proc/[0-9]*; do
      if [ "$(readlink "$p/exe" 2>/dev/null)" = "$root/games/pelzowin" ]; then pid=${p#/proc/}; break; fi
    done
    if [ -z "$pid" ]; then sleep 0.1; waited=$((waited + 1)); fi
  done
  if [ -z "$pid" ]; then
    fail "$label: launching pelzowin.desktop did not start $root/games/pelzowin: $(grep '^Exec=' "$root/share/applications/pelzowin.desktop")"
    return
  fi
  if tr '\0' '\n' <"/proc/$pid/cmdline" | grep -qxF "$set"; then
    pass "$label: launching pelzowin.desktop with a set starts the installed game with it"
  else
    fail "$label: the launched game's command line lacks the set: $(tr '\0' ' ' <"/proc/$pid/cmdline")"
  fi
  kill -TERM "$pid" 2>/dev/null || true
  waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 50 ]; do sleep 0.1; waited=$((waited + 1)); done
  if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fail "$label: the launched game ignored SIGTERM"; fi
}

# check_icons ROOT LABEL: a PNG of each size in the hicolor tree, with the
# pixels of that size's image in assets/pelzowin_app.ico (as ImageMagick
# decodes it, where it is installed).
check_icons() {
  local root=$1 label=$2 size png header want ico=$top/assets/pelzowin_app.ico index=0
  local -A ico_index=()
  if command -v identify >/dev/null; then
    for size in $(identify -format '%w ' "$ico"); do ico_index[$size]=$index; index=$((index + 1)); done
  fi
  for size in "${icon_sizes[@]}"; do
    png=$root/share/icons/hicolor/${size}x${size}/apps/pelzowin.png
    header=$(head -c 24 "$png" 2>/dev/null | od -An -tx1 | tr -d ' \n' || true)
    # PNG signature, IHDR, then width and height, big-endian.
    want=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size")
    if [ "$header" != "$want" ]; then fail "$label: $png is not a ${size}x${size} PNG ($header)"; continue; fi
    if [ -z "${ico_index[$size]:-}" ]; then pass "$label: ${size}x${size} icon"; continue; fi
    if cmp -s <(convert "${ico}[${ico_index[$size]}]" -depth 8 rgba:-) <(convert "$png" -depth 8 rgba:-); then
      pass "$label: ${size}x${size} icon has the pixels of the .ico's image"
    else
      fail "$label: ${size}x${size} icon differs from the .ico's image"
    fi
  done
}

# check_docs ROOT LABEL: gzip -9n files (no name, no time stamp: the same
# bytes on every build), the machine-readable copyright file and the guide.
check_docs() {
  local root=$1 label=$2 f header
  for f in share/man/man6/pelzowin.6.gz share/man/man1/pelzo-quiz.1.gz share/doc/pelzowin/changelog.gz \
           share/doc/pelzowin/writing-quiz-sets.md.gz; do
    # Magic, deflate, no flags (no file name), modification time 0.
    header=$(head -c 8 "$root/$f" 2>/dev/null | od -An -tx1 | tr -d ' \n' || true)
    if [ "$header" = 1f8b080000000000 ] && gzip -t "$root/$f" 2>/dev/null; then
      pass "$label: $f is gzip -n"
    else
      fail "$label: $f is not a gzip file without name and time stamp ($header)"
    fi
  done
  local copyright=$root/share/doc/pelzowin/copyright
  if [ "$(head -n 1 "$copyright" 2>/dev/null)" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] &&
     grep -qx 'Files: \*' "$copyright" && grep -q '^Copyright: ' "$copyright" && grep -q '^License: ' "$copyright"; then
    pass "$label: copyright is in the machine-readable format"
  else
    fail "$label: copyright lacks the Format line or a Files: * paragraph"
  fi
  local guide
  guide=$(zcat "$root/share/doc/pelzowin/writing-quiz-sets.md.gz" 2>/dev/null || true)
  if [ "$guide" = "$(cat "$top/docs/authoring.md")" ] &&
     [ "$(zcat "$root/share/doc/pelzowin/writing-quiz-sets.ja.md.gz" 2>/dev/null || true)" = "$(cat "$top/docs/authoring.ja.md")" ]; then
    pass "$label: the authors' guides are docs/authoring.md and docs/authoring.ja.md"
  else
    fail "$label: the authors' guides are not docs/authoring.md and docs/authoring.ja.md"
  fi
  local version
  version=$(zcat "$root/share/doc/pelzowin/changelog.gz" 2>/dev/null | head -n 1 | sed -n 's/^pelzowin (\([^)]*\)) .*/\1/p' || true)
  if [ -n "$version" ] && [ "$version" = "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ]; then
    pass "$label: changelog is for version $version"
  else
    fail "$label: changelog's newest entry ($version) is not this version"
  fi
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
check_tree "$work/prefix" install "$work/prefix"
check_mime "$work/prefix" install
# With a space in the prefix the .desktop entry quotes the game's path.
if [ -x "$work/prefix/games/pelzowin" ]; then
  cmake --install "$build" --prefix "$work/spaced prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install failed"; exit 1; }
  check_launch "$work/spaced prefix" "install (spaced prefix)"
fi

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
  for want in ./usr/games/pelzowin ./usr/bin/pelzo-quiz ./usr/share/applications/pelzowin.desktop \
              ./usr/share/mime/packages/pelzowin-pzq.xml \
              ./usr/share/icons/hicolor/256x256/apps/pelzowin.png ./usr/share/pelzowin/samples/sample.zip \
              ./usr/share/doc/pelzowin/copyright ./usr/share/man/man6/pelzowin.6.gz \
              ./usr/share/locale/ja/LC_MESSAGES/pelzo-quiz.mo; do
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
  check_tree "$work/unpacked/usr" deb /usr
  check_mime "$work/unpacked/usr" deb
  # Errors fail (lintian's exit status); warnings are shown.
  if command -v lintian >/dev/null; then
    if out=$(lintian "$package" 2>&1); then
      pass "lintian: no error${out:+ ($(grep -c '^W:' <<<"$out") warning(s))}"
    else
      fail "lintian reports errors"
    fi
    grep -E '^[EW]:' <<<"$out" || true
  else
    fail "lintian is missing (scripts/setup.sh installs it)"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "install-test: $failures check(s) failed" >&2
  exit 1
fi
echo "install-test: all checks passed"
