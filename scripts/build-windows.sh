#!/usr/bin/env bash
# Builds the Windows release of PelzoWin on this Debian machine:
#
#   scripts/build-windows.sh [OUT_DIR]      (default: dist/)
#
# writes into OUT_DIR
#   pelzowin-<version>-win64.zip        pelzowin.exe, pelzo-quiz.exe, the sample
#                                       sets with their sources, README-Windows.txt
#   pelzowin-<version>-win64-setup.exe  the same, as an NSIS installer with a
#                                       Start-menu entry and an uninstaller
#
# The executables are linked statically: they need no DLL besides Windows'
# own. The libraries come from scripts/setup-windows.sh (run here; it reuses
# what build-win/deps already holds). The release is built in
# build-win-release/ and checked before it is packed: both programs are
# PE32+ executables (the game a GUI one) that import only system DLLs, and
# the installer installs, ties .pzq files to the game, starts the tool and
# uninstalls under Wine.
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
for tool in zip makensis; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh and scripts/setup-windows.sh install it)"
done

build=$top/build-win-release
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DPELZO_WIN_DEPS="$top/build-win/deps/prefix" -DCMAKE_BUILD_TYPE=Release \
  -DPELZO_BUILD_TESTS=OFF -DPELZO_WERROR=ON >/dev/null
WINEDEBUG=-all cmake --build "$build" -j"$jobs" --target pelzowin pelzo-quiz samples >/dev/null
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
# Notepad reads the Japanese text right with a byte-order mark and CR LF.
{
  printf '\xEF\xBB\xBF'
  sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/windows/README-Windows.txt
} >"$stage/README-Windows.txt"

# --- checks ------------------------------------------------------------------
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
# Fixed times, so the same sources give the same archive.
find "$build/stage" -exec touch -h -d "2026-01-01 00:00:00 UTC" {} +
rm -f "$out/$name.zip"
(cd "$build/stage" && find "$name" -type f | LC_ALL=C sort | zip -q -X -9 "$out/$name.zip" -@)

# --- the installer -------------------------------------------------------------
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DICON="$top/assets/pelzowin_app.ico" \
  -DOUTFILE="$out/$name-setup.exe" packaging/windows/pelzowin.nsi >/dev/null

# Under Wine, the installer puts everything in place and the uninstaller
# takes it away again.
if command -v wine >/dev/null; then
  export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wine "$out/$name-setup.exe" /S >/dev/null 2>&1 || die "the installer failed under Wine"
  wineserver -w
  installed="$WINEPREFIX/drive_c/Program Files/PelzoWin"
  for f in pelzowin.exe pelzo-quiz.exe README-Windows.txt uninstall.exe samples/sample.zip samples/src/0_general.txt; do
    [ -f "$installed/$f" ] || die "the installer did not install $f"
  done
  [ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/PelzoWin/PelzoWin.lnk" ] ||
    die "the installer made no Start-menu entry"
  key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PelzoWin'
  wine reg query "$key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' ||
    die "the installer registered no uninstaller with Apps and Features"
  # .pzq files open in the installed game and show its icon.
  pzq_key='HKLM\Software\Classes\.pzq'
  progid=PelzoWin.QuizSet
  progid_key="HKLM\\Software\\Classes\\$progid"
  exe='C:\Program Files\PelzoWin\pelzowin.exe'
  wine reg query "$pzq_key" /ve 2>/dev/null | grep -q "REG_SZ *$progid" ||
    die "the installer did not tie .pzq to $progid"
  wine reg query "$progid_key\\shell\\open\\command" /ve 2>/dev/null | grep -qF "\"$exe\" \"%1\"" ||
    die "the installer registered no open command for $progid"
  wine reg query "$progid_key\\DefaultIcon" /ve 2>/dev/null | grep -qF "$exe,0" ||
    die "the installer gave $progid no icon"
  listing=$(cd "$installed/samples" && wine ../pelzo-quiz.exe check sample.zip 2>&1) ||
    die "the installed pelzo-quiz.exe failed: $listing"
  wine "$installed/uninstall.exe" /S >/dev/null 2>&1 || true
  # The uninstaller copies itself away and finishes in the background.
  for _ in $(seq 100); do [ -e "$installed/pelzowin.exe" ] || break; sleep 0.2; done
  wineserver -w
  [ ! -e "$installed/pelzowin.exe" ] || die "the uninstaller left pelzowin.exe behind"
  ! wine reg query "$key" >/dev/null 2>&1 || die "the uninstaller left its Apps and Features entry behind"
  ! wine reg query "$progid_key" >/dev/null 2>&1 || die "the uninstaller left $progid behind"
  ! wine reg query "$pzq_key" >/dev/null 2>&1 || die "the uninstaller left .pzq behind"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  say "the installer installs and ties .pzq to the game, the installed tool checks sample.zip, the uninstaller removes it all"
fi

say "$(du -k "$stage/pelzowin.exe" | cut -f1) KiB pelzowin.exe, $(du -k "$stage/pelzo-quiz.exe" | cut -f1) KiB pelzo-quiz.exe"
say "wrote $out/$name.zip ($(du -k "$out/$name.zip" | cut -f1) KiB) and $out/$name-setup.exe ($(du -k "$out/$name-setup.exe" | cut -f1) KiB)"
