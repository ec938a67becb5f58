#!/usr/bin/env bash
# Refreshes pelzo-quiz's message catalogs from its sources: po/pelzo-quiz.pot
# from every _() and N_() under tools/pelzo-quiz, each po/<lang>.po merged
# with it (new messages come in untranslated, changed ones as fuzzy), and the
# README's table of the messages from po/ja.po (po/messages_table.py).
#
#   po/update.sh
set -euo pipefail
cd "$(dirname "$0")/.."

sources=$(find tools/pelzo-quiz -name '*.cpp' -o -name '*.h' | LC_ALL=C sort)
# shellcheck disable=SC2086
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=N_ --keyword=P_:1,2 --add-comments=TRANSLATORS: \
  --package-name=pelzo-quiz --sort-by-file --no-wrap \
  -o po/pelzo-quiz.pot $sources
while read -r lang; do
  case "$lang" in ''|'#'*) continue ;; esac
  msgmerge --quiet --update --backup=none --no-wrap "po/$lang.po" po/pelzo-quiz.pot
done < po/LINGUAS
python3 po/messages_table.py po/ja.po README.md
