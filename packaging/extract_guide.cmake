# Writes the README's "Writing quiz sets" section, up to the next second-level
# heading, as the quiz authors' guide that the packages install. The README
# stays the one text: the guide is made from it at build time.
#
#   cmake -DREADME=README.md -DOUT=writing-quiz-sets.md -P extract_guide.cmake
set(heading "## Writing quiz sets")
file(READ "${README}" text)
string(FIND "${text}" "\n${heading}\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${README} has no line '${heading}': the authors' guide cannot be made")
endif()
math(EXPR start "${start} + 1")
string(SUBSTRING "${text}" ${start} -1 guide)
# The section ends where the next second-level heading starts (or at the end).
string(LENGTH "${heading}\n" skip)
string(SUBSTRING "${guide}" ${skip} -1 rest)
string(FIND "${rest}" "\n## " end)
if(NOT end EQUAL -1)
  math(EXPR end "${end} + ${skip} + 1")
  string(SUBSTRING "${guide}" 0 ${end} guide)
endif()
string(REGEX REPLACE "\n+$" "\n" guide "${guide}")
file(WRITE "${OUT}" "# PelzoWin: writing quiz sets\n\nFrom the PelzoWin README.\n\n${guide}")
