#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Refreshes pelzo-quiz's message catalogs from its sources: po/pelzo-quiz.pot
# from every _(), N_() and P_() under tools/pelzo-quiz and src/authoring (the
# authoring library it reads sources with) and every sys_text()
# and sys_message() of the file services it uses (src/platform), each
# po/<lang>.po merged
# with it (new messages come in untranslated, changed ones as fuzzy), and the
# table of the messages in docs/messages.md from po/ja.po (po/messages_table.py).
#
#   po/update.sh
set -euo pipefail
cd "$(dirname "$0")/.."

sources=$( (find tools/pelzo-quiz src/authoring -name '*.cpp' -o -name '*.h'; grep -rlE 'sys_(text|message)\(' src/platform) | LC_ALL=C sort -u)
# shellcheck disable=SC2086
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=N_ --keyword=P_:1,2 --keyword=sys_text --keyword=sys_message --flag=sys_message:1:c-format --add-comments=TRANSLATORS: \
  --package-name=pelzo-quiz --sort-by-file --no-wrap \
  -o po/pelzo-quiz.pot $sources
while read -r lang; do
  case "$lang" in ''|'#'*) continue ;; esac
  msgmerge --quiet --update --backup=none --no-wrap "po/$lang.po" po/pelzo-quiz.pot
done < po/LINGUAS
python3 po/messages_table.py po/ja.po docs/messages.md
