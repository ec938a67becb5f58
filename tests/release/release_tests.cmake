# SPDX-License-Identifier: MIT
# The checks of what the releases carry: one version, the licence lines, the
# documents' links and the third-party notices. Linux only (they read the
# source tree and configure it with the host's compiler).
if(NOT WIN32 AND NOT EMSCRIPTEN)
  add_test(NAME VersionEverywhere
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/version_everywhere.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/version-scratch)
  # Every source file the project wrote names its licence (scripts/spdx.py add
  # writes the lines).
  add_test(NAME SpdxLines COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/spdx.py check ${CMAKE_SOURCE_DIR})
  # The README's and docs/'s relative links and #anchors lead somewhere.
  add_test(NAME DocLinks COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check-doc-links.py ${CMAKE_SOURCE_DIR})
  # The release scripts' notices check refuses a release holding a library or
  # a font without its notice.
  add_test(NAME NoticesCoverRelease
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/notices_cover_release.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/notices-scratch)
endif()
