#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installer and the uninstaller under Wine, in a fresh prefix:
#
#   tests/wine/installer.sh SETUP.exe STAGE [PREFIX]
#
# STAGE is the release folder the installer was made from (its files are what
# must be installed, then removed). PREFIX (default: a temporary folder) is
# made anew.
#
# In English: the installer puts every file of STAGE in place, makes the
# Start-menu entries, registers the uninstaller and ties .pzq files to the
# game; the installed tool checks sample.zip. A set the player saved in
# samples\ and a note left in the program folder survive the uninstall, and
# nothing else of the game remains: no file, no empty folder, no Start-menu
# entry, no registry key.
# In Japanese (a ja_JP.UTF-8 locale, compiled here with localedef): the
# Start-menu entry gets its Japanese name, and goes again on uninstall.
set -euo pipefail
setup=${1:?usage: installer.sh SETUP.exe STAGE [PREFIX]}
stage=${2:?usage: installer.sh SETUP.exe STAGE [PREFIX]}
work=$(mktemp -d)
prefix=${3:-$work/prefix}
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
die() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$prefix"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
installed="$prefix/drive_c/Program Files/PelzoWin"
menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/PelzoWin"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PelzoWin'
pzq_key='HKLM\Software\Classes\.pzq'
progid=PelzoWin.QuizSet
progid_key="HKLM\\Software\\Classes\\$progid"
exe='C:\Program Files\PelzoWin\pelzowin.exe'

# The environment Wine starts in: the locale's language is the system's.
locale_env=(LC_ALL=C.UTF-8)
install() {
  env "${locale_env[@]}" wine "$setup" /S >/dev/null 2>&1 || die "the installer failed under Wine"
  wineserver -w
}
# The uninstaller copies itself away and finishes in the background: waited
# for until the program folder holds only what the player put there.
uninstall() {
  env "${locale_env[@]}" wine "$installed/uninstall.exe" /S >/dev/null 2>&1 || true
  local limit=$(($(date +%s) + 30))
  while [ -e "$installed/uninstall.exe" ]; do
    [ "$(date +%s)" -lt "$limit" ] || die "the uninstaller had not removed uninstall.exe 30 s after it started"
    sleep 0.2
  done
  wineserver -w
}
# The paths below a folder, one a line, sorted.
listing() { (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort); }

# --- in English ---------------------------------------------------------------
install
(cd "$stage" && find . -type f | sed 's|^\./||') | while IFS= read -r f; do
  cmp -s "$stage/$f" "$installed/$f" || die "the installer did not install $f as it is in the release"
done
[ -f "$installed/uninstall.exe" ] || die "the installer wrote no uninstall.exe"
[ -f "$menu/PelzoWin.lnk" ] && [ -f "$menu/README.lnk" ] ||
  die "the installer made no English Start-menu entries: $(ls "$menu" 2>&1)"
wine reg query "$key" /v UninstallString 2>/dev/null | grep -q 'uninstall.exe' ||
  die "the installer registered no uninstaller with Apps and Features"
wine reg query "$pzq_key" /ve 2>/dev/null | grep -q "REG_SZ *$progid" || die "the installer did not tie .pzq to $progid"
wine reg query "$progid_key\\shell\\open\\command" /ve 2>/dev/null | grep -qF "\"$exe\" \"%1\"" ||
  die "the installer registered no open command for $progid"
wine reg query "$progid_key\\DefaultIcon" /ve 2>/dev/null | grep -qF "$exe,0" || die "the installer gave $progid no icon"
listing=$(cd "$installed/samples" && wine ../pelzo-quiz.exe check sample.zip 2>&1) ||
  die "the installed pelzo-quiz.exe failed: $listing"

# The player's files, one in samples\ (named as an installed one is, but
# for its case) and one in the program folder.
cp "$stage/samples/sample.zip" "$installed/samples/my set.zip"
echo "note" >"$installed/notes.txt"
uninstall
kept=$(listing "$installed" 2>/dev/null || true)
expected=$(printf '%s\n' "notes.txt" "samples" "samples/my set.zip")
[ "$kept" = "$expected" ] || die "after the uninstall the program folder holds
$kept
where only the player's files should be:
$expected"
cmp -s "$stage/samples/sample.zip" "$installed/samples/my set.zip" || die "the uninstaller changed the player's set"
[ ! -e "$menu" ] || die "the uninstaller left the Start-menu folder: $(listing "$menu")"
! wine reg query "$key" >/dev/null 2>&1 || die "the uninstaller left its Apps and Features entry behind"
! wine reg query "$progid_key" >/dev/null 2>&1 || die "the uninstaller left $progid behind"
! wine reg query "$pzq_key" >/dev/null 2>&1 || die "the uninstaller left .pzq behind"
rm -rf "$installed"

# --- in Japanese ----------------------------------------------------------------
# Wine takes the system's language from the locale, which must exist.
mkdir -p "$work/locale"
if localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" 2>/dev/null; then
  wineserver -k 2>/dev/null || true
  locale_env=(LOCPATH="$work/locale" LC_ALL=ja_JP.UTF-8)
  install
  entries=$(listing "$menu" 2>/dev/null || true)
  expected=$(printf '%s\n' "PelzoWin クイズゲーム.lnk" "はじめにお読みください.lnk")
  [ "$entries" = "$expected" ] || die "in Japanese the Start-menu entries are
$entries
not
$expected"
  uninstall
  [ ! -e "$menu" ] || die "the uninstaller left the Japanese Start-menu entries: $(listing "$menu")"
  [ ! -e "$installed" ] || die "the Japanese uninstall left $(listing "$installed")"
  echo "installer: in English and in Japanese, installed and uninstalled; the player's files stay"
else
  echo "installer: installed and uninstalled in English; the player's files stay (no ja_JP locale: Japanese not checked)"
fi
