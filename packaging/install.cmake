# SPDX-License-Identifier: MIT
# Install rules and the Debian package.
#
# cmake --install puts under the prefix (Debian's layout for a game, which the
# .deb has under /usr):
#   games/pelzowin (PELZO_INSTALL_GAMESDIR), bin/pelzo-quiz
#   share/pelzowin/samples/   the sample sets and their UTF-8 sources
#   share/applications/pelzowin.desktop   Exec names the installed game by its full path
#   share/mime/packages/pelzowin-pzq.xml  the .pzq type, which the .desktop opens
#   share/icons/hicolor/NxN/apps/pelzowin.png   N = 16, 32, 48, 64, 128, 256
#   share/man/man6/pelzowin.6.gz, share/man/man1/pelzo-quiz.1.gz
#   share/doc/pelzowin/   copyright, changelog.gz, writing-quiz-sets.md.gz (and .ja.md.gz)
#   share/lintian/overrides/pelzowin   only with the prefix /usr
# The sounds and music are compiled into the game, so the fallback files it
# would look for beside the executable are not installed.
include(GNUInstallDirs)

set(PELZO_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PELZO_INSTALL_GAMESDIR games CACHE STRING
    "Folder under the install prefix for the game (Debian's games; bin puts it beside pelzo-quiz)")

if(TARGET pelzowin)
  if(WIN32)
    install(TARGETS pelzowin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  else()
    install(TARGETS pelzowin RUNTIME DESTINATION ${PELZO_INSTALL_GAMESDIR})
  endif()
endif()
if(TARGET pelzo-quiz)
  install(TARGETS pelzo-quiz RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(PELZO_SAMPLES_SOURCE ${CMAKE_SOURCE_DIR}/data/samples)
install(FILES ${PELZO_SAMPLES_SOURCE}/sample.zip ${PELZO_SAMPLES_SOURCE}/sample.pzq ${PELZO_SAMPLES_SOURCE}/large.zip
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pelzowin/samples)
install(DIRECTORY ${PELZO_SAMPLES_SOURCE}/src/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pelzowin/samples/src
        FILES_MATCHING PATTERN "*.txt")

if(WIN32)
  return()  # the Windows game is packaged by scripts/build-windows.sh
endif()

# ---- Files made at build time (target pelzo-install-files, part of all) ----------
# gzip -9n: no name or time stamp in the header, so the bytes depend on the
# input alone.
find_program(PELZO_GZIP gzip REQUIRED)
set(PELZO_INSTALL_OUT ${CMAKE_BINARY_DIR}/install-files)
set(PELZO_INSTALL_MADE)
function(pelzo_gzip source name)
  add_custom_command(OUTPUT ${PELZO_INSTALL_OUT}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PELZO_INSTALL_OUT}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PELZO_INSTALL_OUT}/${name}
    COMMAND ${PELZO_GZIP} -9nf ${PELZO_INSTALL_OUT}/${name}
    DEPENDS ${source} ${ARGN}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(PELZO_INSTALL_MADE ${PELZO_INSTALL_MADE} ${PELZO_INSTALL_OUT}/${name}.gz PARENT_SCOPE)
endfunction()

# The manual pages with the version in their headers (cmake/Version.cmake).
pelzo_gzip(${PELZO_VERSION_DIR}/pelzowin.6 pelzowin.6)
pelzo_gzip(${PELZO_VERSION_DIR}/pelzo-quiz.1 pelzo-quiz.1)
# packaging/changelog is in Debian's format; the package's version is native
# (no Debian revision), so Debian's layout wants it as changelog.gz.
pelzo_gzip(${PELZO_PACKAGING_DIR}/changelog changelog)
# The authors' guides: docs/authoring.md, and its Japanese companion for
# teachers, docs/authoring.ja.md.
pelzo_gzip(${CMAKE_SOURCE_DIR}/docs/authoring.md writing-quiz-sets.md)
pelzo_gzip(${CMAKE_SOURCE_DIR}/docs/authoring.ja.md writing-quiz-sets.ja.md)

# The hicolor icons are the six images of the Windows application icon, which
# tools/make_assets.sh draws once at 256 px and reduces.
set(PELZO_ICON_SIZES 16 32 48 64 128 256)
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(PELZO_ICON_PNGS)
  foreach(size ${PELZO_ICON_SIZES})
    list(APPEND PELZO_ICON_PNGS ${PELZO_INSTALL_OUT}/hicolor/${size}x${size}/apps/pelzowin.png)
  endforeach()
  add_custom_command(OUTPUT ${PELZO_ICON_PNGS}
    COMMAND Python3::Interpreter ${PELZO_PACKAGING_DIR}/ico_to_png.py ${CMAKE_SOURCE_DIR}/assets/pelzowin_app.ico
            ${PELZO_INSTALL_OUT}/hicolor pelzowin ${PELZO_ICON_SIZES}
    DEPENDS ${CMAKE_SOURCE_DIR}/assets/pelzowin_app.ico ${PELZO_PACKAGING_DIR}/ico_to_png.py
    COMMENT "Writing the hicolor icons from assets/pelzowin_app.ico"
    VERBATIM)
  list(APPEND PELZO_INSTALL_MADE ${PELZO_ICON_PNGS})
  install(DIRECTORY ${PELZO_INSTALL_OUT}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
else()
  message(WARNING "python3 was not found: only the 64-px icon will be installed (scripts/setup.sh installs python3)")
  install(FILES ${CMAKE_SOURCE_DIR}/assets/icon.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME pelzowin.png)
endif()

add_custom_target(pelzo-install-files ALL DEPENDS ${PELZO_INSTALL_MADE})

# ---- The desktop entry, the file type, the manual pages, the documents ----------
# The game sits outside most PATHs (games/ under a user's prefix, and Debian
# adds /usr/games only for login shells and desktop sessions), so the
# installed .desktop file runs it by its full path under the prefix it is
# installed to (CMAKE_INSTALL_PREFIX at install time: --prefix, or /usr under
# cpack). A path with characters the desktop entry format reserves is quoted.
# The entry is written into the build folder first, so that file(INSTALL)
# lists it in install_manifest.txt and honours DESTDIR.
install(CODE "
  set(game \"\${CMAKE_INSTALL_PREFIX}/${PELZO_INSTALL_GAMESDIR}/pelzowin\")
  if(NOT game MATCHES \"^[A-Za-z0-9/._+,:@%-]+\$\")
    string(REGEX REPLACE \"([\\\"`$\\\\\\\\])\" \"\\\\\\\\\\\\\\\\\\\\1\" game \"\${game}\")
    set(game \"\\\"\${game}\\\"\")
  endif()
  file(READ \"${PELZO_PACKAGING_DIR}/pelzowin.desktop\" entry)
  string(REPLACE \"\\nExec=pelzowin \" \"\\nExec=\${game} \" entry \"\${entry}\")
  file(WRITE \"${PELZO_INSTALL_OUT}/desktop/pelzowin.desktop\" \"\${entry}\")
  file(INSTALL \"${PELZO_INSTALL_OUT}/desktop/pelzowin.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
")
# Only the source XML: the caches built from share/mime/packages and
# share/applications belong to whoever installs. Debian's shared-mime-info and
# desktop-file-utils rebuild them from dpkg triggers on those folders, so the
# package needs no maintainer scripts; a plain cmake --install wants
# update-mime-database and update-desktop-database run by hand.
install(FILES ${PELZO_PACKAGING_DIR}/pelzowin-pzq.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PELZO_INSTALL_OUT}/pelzowin.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PELZO_INSTALL_OUT}/pelzo-quiz.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# lintian's overrides, for an install into /usr (what the package is): the
# authors' tool in /usr/bin of a games package is meant.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    file(INSTALL \"${PELZO_PACKAGING_DIR}/lintian-overrides\" DESTINATION /usr/share/lintian/overrides
         RENAME pelzowin)
  endif()
")
install(FILES ${PELZO_PACKAGING_DIR}/copyright ${PELZO_INSTALL_OUT}/changelog.gz
              ${PELZO_INSTALL_OUT}/writing-quiz-sets.md.gz ${PELZO_INSTALL_OUT}/writing-quiz-sets.ja.md.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelzowin)

# ---- The Debian package -----------------------------------------------------------
# The version and the maintainer come from the newest entry of
# packaging/changelog, which must be for this version.
file(STRINGS ${PELZO_PACKAGING_DIR}/changelog PELZO_CHANGELOG_HEAD LIMIT_COUNT 1)
file(STRINGS ${PELZO_PACKAGING_DIR}/changelog PELZO_CHANGELOG_SIGNED REGEX "^ -- " LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PELZO_PACKAGING_DIR}/changelog)
if(NOT PELZO_CHANGELOG_HEAD MATCHES "^pelzowin \\(([^)]+)\\) "
   OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog starts with '${PELZO_CHANGELOG_HEAD}', "
                      "not an entry 'pelzowin (${PROJECT_VERSION}) ...' for this version")
endif()
if(NOT PELZO_CHANGELOG_SIGNED MATCHES "^ -- (.+ <[^>]+>)  ")
  message(FATAL_ERROR "packaging/changelog's newest entry has no ' -- NAME <ADDRESS>  DATE' line")
endif()
set(PELZO_DEB_MAINTAINER "${CMAKE_MATCH_1}")

# cpack -G DEB in the build folder writes pelzowin_<version>_<arch>.deb
# (scripts/build-deb.sh makes a release build and runs it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelzowin)
set(CPACK_PACKAGE_VENDOR "PelzoWin developers")
set(CPACK_PACKAGE_CONTACT "${PELZO_DEB_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese five-choice quiz game")
set(CPACK_PACKAGE_DESCRIPTION "A quiz game in Japanese for the desktop: up to ten stages of ten five-choice
questions against a ten-second clock, with music, a score and star ratings.
Question sets are ZIP archives of Shift-JIS text or binary .pzq files, and
pelzo-quiz builds them from UTF-8 text and explains any that do not load.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders the package creates are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PELZO_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 9), libsdl2-2.0-0, libsdl2-image-2.0-0, libsdl2-mixer-2.0-0, libfreetype6, libfontconfig1, libgtk-3-0, zlib1g, libexpat1, fonts-ipafont-mincho | fonts-ipafont-gothic | fonts-noto-cjk")
include(CPack)
