#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes a UTF-8 text as Windows' Notepad reads it right on any Windows, to
# stdout: with a byte-order mark and CR LF line ends. --markdown also turns
# Markdown links into their text (the files they point to are not in the
# release) and leaves out lines that are a whole HTML comment (the licence
# line).
#
#   packaging/windows_text.sh [--markdown] FILE > OUT.txt
set -euo pipefail
links=
if [ "${1:-}" = --markdown ]; then links='/^<!--.*-->$/d; s/\[\([^]]*\)\]([^)]*)/\1/g'; shift; fi
file=${1:?usage: windows_text.sh [--markdown] FILE}
printf '\xEF\xBB\xBF'
sed -e "${links:-}" -e 's/\r$//' -e 's/$/\r/' "$file"
