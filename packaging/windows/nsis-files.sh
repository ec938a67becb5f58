#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the NSIS include that lists a release folder's files for the
# installer (packaging/windows/pelzowin.nsi):
#
#   packaging/windows/nsis-files.sh STAGE OUT.nsh
#
# INSTALL_FILES writes every file of STAGE into $INSTDIR, in its folder;
# UNINSTALL_FILES deletes each of them by name, then removes each folder,
# deepest first, only when that left it empty ($INSTDIR itself is the .nsi's).
# The lists come from the folder itself, so a file added to the release is
# installed and uninstalled with no edit here.
set -euo pipefail
stage=${1:?usage: nsis-files.sh STAGE OUT.nsh}
out=${2:?usage: nsis-files.sh STAGE OUT.nsh}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac
cd "$stage"

# A path as NSIS reads it: backslashes.
nsis() { printf '%s' "${1//\//\\}"; }

files=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
dirs=$(find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r)
[ -n "$files" ] || { echo "nsis-files: $stage holds no file" >&2; exit 1; }
# NSIS would read "$" in a name as a variable, and File takes "*" and "?" as
# wildcards: the release names none of them.
if grep -q '[$*?]' <<<"$files"; then
  echo "nsis-files: a file name holds \$, * or ?, which NSIS cannot take as they are:" >&2
  grep '[$*?]' <<<"$files" >&2
  exit 1
fi
{
  echo "; Made by packaging/windows/nsis-files.sh from the release folder."
  echo "!macro INSTALL_FILES"
  current=
  while IFS= read -r f; do
    dir=$(dirname "$f")
    [ "$dir" = . ] && dir= || dir=\\$(nsis "$dir")
    if [ "$dir" != "$current" ] || [ -z "${started:-}" ]; then
      echo "  SetOutPath \"\$INSTDIR$dir\""
      current=$dir started=1
    fi
    echo "  File \"\${STAGE}\\$(nsis "$f")\""
  done <<<"$files"
  echo "!macroend"
  echo "!macro UNINSTALL_FILES"
  while IFS= read -r f; do echo "  Delete \"\$INSTDIR\\$(nsis "$f")\""; done <<<"$files"
  if [ -n "$dirs" ]; then
    while IFS= read -r d; do echo "  RMDir \"\$INSTDIR\\$(nsis "$d")\""; done <<<"$dirs"
  fi
  echo "!macroend"
} >"$out"
