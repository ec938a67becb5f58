#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Windows release of PelzoWin on this Debian machine:
#
#   scripts/build-windows.sh [OUT_DIR]      (default: dist/)
#
# writes into OUT_DIR
#   pelzowin-<version>-win64.zip        pelzowin.exe, pelzo-quiz.exe, the sample
#                                       sets with their sources, README-Windows.txt,
#                                       ipam.ttf (the Japanese font of last resort)
#                                       and its licence, pelzo-quiz's Japanese
#                                       messages (locale/ja/LC_MESSAGES/pelzo-quiz.mo),
#                                       LICENSE.txt, THIRD-PARTY-NOTICES.txt (the
#                                       licences of every library and font the
#                                       release holds) and はじめての問題づくり.txt
#                                       (the Japanese authors' guide)
#   pelzowin-<version>-win64-setup.exe  the same, as an NSIS installer with a
#                                       Start-menu entry and an uninstaller
#
# The executables are linked statically: they need no DLL besides Windows'
# own; they are built optimised with debug information (RelWithDebInfo, as
# the Linux package is), which the release leaves out (strip). The libraries come from scripts/setup-windows.sh (run here; it reuses
# what build-win/deps already holds). The release is built in
# build-win-release/, or in the build folder PELZO_WIN_BUILD names (test.sh's
# build-win, whose tests have just run on these same programs), and checked
# before it is packed: both programs are
# PE32+ executables (the game a GUI one) that import only system DLLs, and
# the installer installs, ties .pzq files to the game, starts the tool and
# uninstalls under Wine, leaving the player's files (tests/wine/installer.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$top"
jobs=$(nproc)

say() { echo "build-windows: $*"; }
die() { say "$*" >&2; exit 1; }

bash scripts/setup-windows.sh build-win
bash scripts/setup.sh python3
for tool in makensis python3; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh and scripts/setup-windows.sh install it)"
done

build=${PELZO_WIN_BUILD:-$top/build-win-release}
mkdir -p "$build"
build=$(cd "$build" && pwd)
# A folder of its own builds no tests; one given keeps its tests.
tests=()
[ -n "${PELZO_WIN_BUILD:-}" ] || tests=(-DPELZO_BUILD_TESTS=OFF)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DPELZO_WIN_DEPS="$top/build-win/deps/prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${tests[@]}" -DPELZO_WERROR=ON >/dev/null
# The build packs the sample sets with the new pelzo-quiz.exe under Wine,
# several at once: the prefix is made, its server is up and Wine answers
# before the first of them starts, so that none of them is the one that
# boots Wine (which, under load, ended a program with no output at all).
if command -v wine >/dev/null; then
  export WINEPREFIX=${WINEPREFIX:-$top/build-win/wine-prefix} WINEDEBUG=-all
  bash scripts/wine-prefix.sh "$WINEPREFIX"
  # A new server lingers 30 s after its last program; one already up (the
  # test run's) is kept, and this one then ends at once.
  wineserver -p30 || true
  wine_answers() { [ "$(wine cmd /c echo ready </dev/null 2>/dev/null | tr -d '\r')" = ready ]; }
  if ! wine_answers; then
    say "Wine did not answer in $WINEPREFIX; asking once more"
    wine_answers || die "Wine does not start programs in $WINEPREFIX"
  fi
fi
# The build's output is kept, and shown when it fails.
log=$build/build.log
cmake --build "$build" -j"$jobs" --target pelzowin pelzo-quiz samples >"$log" 2>&1 ||
  { cat "$log" >&2; die "the build failed (log above, and in $log)"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || die "no project version in $build/CMakeCache.txt"

# --- the folder that becomes the archive ---------------------------------
name=pelzowin-$version-win64
stage=$build/stage/$name
rm -rf "$build/stage"
mkdir -p "$stage/samples/src/large"
for exe in pelzowin pelzo-quiz; do
  x86_64-w64-mingw32-strip -o "$stage/$exe.exe" "$build/$exe.exe"
done
cp data/samples/sample.zip data/samples/sample.pzq data/samples/large.zip "$stage/samples/"
cp data/samples/src/*.txt "$stage/samples/src/"
cp data/samples/src/large/*.txt "$stage/samples/src/large/"
# pelzo-quiz's catalogs, where it looks for them: beside the executable.
cp -r "$build/locale" "$stage/locale"
# The Japanese font of last resort, for a Windows without any, with its licence.
cp /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf "$stage/ipam.ttf"
cp /usr/share/doc/fonts-ipafont-mincho/copyright "$stage/LICENSE-ipafont.txt"
# Notepad reads the Japanese text right with a byte-order mark and CR LF.
{
  printf '\xEF\xBB\xBF'
  sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/windows/README-Windows.txt
} >"$stage/README-Windows.txt"
bash packaging/windows_text.sh --markdown docs/authoring.ja.md >"$stage/はじめての問題づくり.txt"
bash packaging/windows_text.sh LICENSE >"$stage/LICENSE.txt"
# The licences of what the programs link (traced to the Debian source
# packages the libraries were built from) and of the font shipped.
links=()
for exe in pelzowin pelzo-quiz; do links+=(--link "$exe.exe=$build/CMakeFiles/$exe.dir/link.txt"); done
python3 packaging/third_party_notices.py write "$build/notices.txt" --release "PelzoWin $version for Windows" \
  --deps "$top/build-win/deps" --stage "$stage" "${links[@]}" || die "the third-party notices could not be made"
bash packaging/windows_text.sh "$build/notices.txt" >"$stage/THIRD-PARTY-NOTICES.txt"

# --- checks ------------------------------------------------------------------
# Every library the programs link and every font the release ships has its
# notice.
python3 packaging/third_party_notices.py check "$stage/THIRD-PARTY-NOTICES.txt" --stage "$stage" "${links[@]}" ||
  die "THIRD-PARTY-NOTICES.txt misses what the release holds"
[ -s "$stage/locale/ja/LC_MESSAGES/pelzo-quiz.mo" ] || die "the release lacks pelzo-quiz's Japanese messages"
for exe in pelzowin pelzo-quiz; do
  info=$(file -b "$stage/$exe.exe")
  case "$info" in PE32+\ executable*x86-64*) ;; *) die "$exe.exe is not a 64-bit Windows program: $info" ;; esac
  imports=$(x86_64-w64-mingw32-objdump -p "$stage/$exe.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $imports; do
    case "$dll" in
      kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|imm32.dll|\
      setupapi.dll|version.dll|winmm.dll|comdlg32.dll|shlwapi.dll|msvcrt.dll) ;;
      *) die "$exe.exe needs $dll, which Windows does not bring" ;;
    esac
  done
done
case "$(file -b "$stage/pelzowin.exe")" in *"(GUI)"*) ;; *) die "pelzowin.exe is not a GUI program" ;; esac

# --- the archive ---------------------------------------------------------------
# Fixed times, so the same sources give the same archive; the Japanese file
# names marked as UTF-8 (packaging/zip_tree.py).
find "$build/stage" -exec touch -h -d "2026-01-01 00:00:00 UTC" {} +
rm -f "$out/$name.zip"
python3 packaging/zip_tree.py "$out/$name.zip" "$build/stage" "$name"

# --- the installer -------------------------------------------------------------
bash packaging/windows/nsis-files.sh "$stage" "$build/files.nsh"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$build/files.nsh" \
  -DICON="$top/assets/pelzowin_app.ico" -DOUTFILE="$out/$name-setup.exe" packaging/windows/pelzowin.nsi >/dev/null

# Under Wine, the installer puts everything in place and the uninstaller
# takes exactly that away again, in English and in Japanese.
if command -v wine >/dev/null; then
  bash tests/wine/installer.sh "$out/$name-setup.exe" "$stage" "$build/installer-prefix" ||
    die "the installer check failed under Wine"
fi

say "$(du -k "$stage/pelzowin.exe" | cut -f1) KiB pelzowin.exe, $(du -k "$stage/pelzo-quiz.exe" | cut -f1) KiB pelzo-quiz.exe"
say "wrote $out/$name.zip ($(du -k "$out/$name.zip" | cut -f1) KiB) and $out/$name-setup.exe ($(du -k "$out/$name-setup.exe" | cut -f1) KiB)"
