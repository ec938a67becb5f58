# Install rules and the Debian package.
#
# cmake --install puts under the prefix:
#   bin/pelzowin, bin/pelzo-quiz
#   share/pelzowin/samples/   the sample sets and their UTF-8 sources
#   share/applications/pelzowin.desktop
#   share/mime/packages/pelzowin-pzq.xml   the .pzq type, which the .desktop opens
#   share/icons/hicolor/64x64/apps/pelzowin.png
#   share/man/man6/pelzowin.6, share/man/man1/pelzo-quiz.1
# The sounds and music are compiled into the game, so the fallback files it
# would look for beside the executable are not installed.
include(GNUInstallDirs)

set(PELZO_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARGET pelzowin)
  install(TARGETS pelzowin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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

install(FILES ${PELZO_PACKAGING_DIR}/pelzowin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Only the source XML: the caches built from share/mime/packages and
# share/applications belong to whoever installs. Debian's shared-mime-info and
# desktop-file-utils rebuild them from dpkg triggers on those folders, so the
# package needs no maintainer scripts; a plain cmake --install wants
# update-mime-database and update-desktop-database run by hand.
install(FILES ${PELZO_PACKAGING_DIR}/pelzowin-pzq.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${CMAKE_SOURCE_DIR}/assets/icon.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME pelzowin.png)
install(FILES ${PELZO_PACKAGING_DIR}/pelzowin.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PELZO_PACKAGING_DIR}/pelzo-quiz.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# cpack -G DEB in the build folder writes pelzowin_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelzowin)
set(CPACK_PACKAGE_VENDOR "PelzoWin developers")
set(CPACK_PACKAGE_CONTACT "PelzoWin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese five-choice quiz game")
set(CPACK_PACKAGE_DESCRIPTION "A quiz game in Japanese for the desktop: up to ten stages of ten five-choice
questions against a ten-second clock, with music, a score and star ratings.
Question sets are ZIP archives of Shift-JIS text or binary .pzq files, and
pelzo-quiz builds them from UTF-8 text and explains any that do not load.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "PelzoWin developers")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 9), libsdl2-2.0-0, libsdl2-image-2.0-0, libsdl2-mixer-2.0-0, libfreetype6, libfontconfig1, libgtk-3-0, zlib1g, fonts-ipafont-mincho | fonts-ipafont-gothic | fonts-noto-cjk")
include(CPack)
