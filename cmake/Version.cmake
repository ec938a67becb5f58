# SPDX-License-Identifier: MIT
# The project's one version number, project(... VERSION) in the top
# CMakeLists.txt, written into every file that shows it. Included by the top
# CMakeLists.txt on every platform, so that one configure makes all of them:
#
#   version/index.html          the page (title and document.title); the web
#                               build copies it beside the game
#   version/pelzowin.6          the manual pages, whose headers name the
#   version/pelzo-quiz.1        version; packaging/install.cmake gzips them
#   version/pelzowin.manifest   the Windows game's manifest (x.y.z.0)
#   generated/pelzowin.rc       its icon, manifest and version record
#
# The templates say @VERSION@ (and the .rc @PROJECT_VERSION...@), as the
# release scripts' text files do (README-Windows.txt, README-Web.txt), which
# scripts/build-windows.sh and scripts/build-web.sh fill in with the same
# version from CMakeCache.txt. The game and pelzo-quiz get it as the
# compile definition PELZO_VERSION; the .deb as CPACK_PACKAGE_VERSION.
set(PELZO_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
set(VERSION ${PROJECT_VERSION})

# pelzo_versioned(TEMPLATE OUT): TEMPLATE with @VERSION@ filled in.
function(pelzo_versioned template out)
  configure_file(${template} ${out} @ONLY)
endfunction()

pelzo_versioned(${CMAKE_SOURCE_DIR}/packaging/web/index.html ${PELZO_VERSION_DIR}/index.html)
pelzo_versioned(${CMAKE_SOURCE_DIR}/packaging/pelzowin.6 ${PELZO_VERSION_DIR}/pelzowin.6)
pelzo_versioned(${CMAKE_SOURCE_DIR}/packaging/pelzo-quiz.1 ${PELZO_VERSION_DIR}/pelzo-quiz.1)
pelzo_versioned(${CMAKE_SOURCE_DIR}/src/platform/windows/pelzowin.manifest ${PELZO_VERSION_DIR}/pelzowin.manifest)

# The Windows game's own resources: icon group 1, manifest 1 and the version
# record (cmake/EmbedAssets.cmake compiles it on Windows).
set(PELZO_APP_ICON "${CMAKE_SOURCE_DIR}/assets/pelzowin_app.ico")
set(PELZO_APP_MANIFEST "${PELZO_VERSION_DIR}/pelzowin.manifest")
configure_file(${CMAKE_SOURCE_DIR}/src/platform/windows/pelzowin.rc.in ${CMAKE_BINARY_DIR}/generated/pelzowin.rc @ONLY)
