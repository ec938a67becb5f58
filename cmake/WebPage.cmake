# SPDX-License-Identifier: MIT
# WebPage: the browser build's game, as the page loads it. Included by the top
# CMakeLists.txt for the emscripten build.
#
# pelzowin links to pelzowin.js and pelzowin.wasm. Beside them:
#   ipam-1.ttf.gz, ipam-2.ttf.gz   IPA Mincho in two parts (the characters
#                                  most sets use; the whole font), made by
#                                  tools/web/web_parts.py; the page writes
#                                  them to /pelzo/fonts/ and the game inflates
#                                  them (src/platform/web/font_files.cpp);
#   *.js wrappers of the wasm and the fonts, for a page opened from file://,
#                                  which may load scripts but fetch nothing;
#   index.html, loader.js, sw.js, manifest.webmanifest and the icons: the page
#                                  (packaging/web/), so the build folder can be
#                                  served as it is (scripts/play-web.sh).
set(PELZO_WEB_FONT_JP /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf CACHE FILEPATH
  "The Japanese font the page ships (Debian's fonts-ipafont-mincho)")
if(NOT EXISTS ${PELZO_WEB_FONT_JP})
  message(FATAL_ERROR "${PELZO_WEB_FONT_JP} is missing: run scripts/setup-web.sh")
endif()
# Debian's python3, whose fonttools the font script imports through pyftsubset.
find_program(PELZO_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

target_link_options(pelzowin PRIVATE
  # The page starts main itself, once it has fetched a set named by ?set=
  # and knows the arguments.
  -sINVOKE_RUN=0
  -sEXPORTED_RUNTIME_METHODS=[callMain,FS]
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1)
set_target_properties(pelzowin PROPERTIES SUFFIX ".js")

set(web_parts ${CMAKE_SOURCE_DIR}/tools/web/web_parts.py)
# The game's own strings, whose characters part 1 holds whatever their code.
set(web_font_texts ${CMAKE_SOURCE_DIR}/src/platform/font_jp.cpp ${CMAKE_SOURCE_DIR}/src/quiz/quiz_load.h
  ${CMAKE_SOURCE_DIR}/src/app/app.cpp)
file(GLOB web_screen_sources ${CMAKE_SOURCE_DIR}/src/screens/*.cpp)
list(APPEND web_font_texts ${web_screen_sources})
set(web_fonts ${CMAKE_BINARY_DIR}/ipam-1.ttf.gz ${CMAKE_BINARY_DIR}/ipam-2.ttf.gz)
add_custom_command(OUTPUT ${web_fonts} ${CMAKE_BINARY_DIR}/ipam-1.ttf.gz.js ${CMAKE_BINARY_DIR}/ipam-2.ttf.gz.js
  COMMAND ${PELZO_PYTHON3} ${web_parts} fonts ${PELZO_WEB_FONT_JP} ${CMAKE_BINARY_DIR}/web-fonts ${web_font_texts}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/web-fonts/ipam-1.ttf.gz ${CMAKE_BINARY_DIR}/web-fonts/ipam-2.ttf.gz
    ${CMAKE_BINARY_DIR}
  COMMAND ${PELZO_PYTHON3} ${web_parts} wrap ${CMAKE_BINARY_DIR}/ipam-1.ttf.gz ${CMAKE_BINARY_DIR}/ipam-1.ttf.gz.js
  COMMAND ${PELZO_PYTHON3} ${web_parts} wrap ${CMAKE_BINARY_DIR}/ipam-2.ttf.gz ${CMAKE_BINARY_DIR}/ipam-2.ttf.gz.js
  DEPENDS ${web_parts} ${PELZO_WEB_FONT_JP} ${web_font_texts}
  COMMENT "Cutting and compressing the page's font"
  VERBATIM)
add_custom_target(pelzo_web_fonts ALL DEPENDS ${web_fonts})
add_dependencies(pelzowin pelzo_web_fonts pelzo_web_icons)
add_custom_command(TARGET pelzowin POST_BUILD
  COMMAND ${PELZO_PYTHON3} ${web_parts} wrap ${CMAKE_BINARY_DIR}/pelzowin.wasm ${CMAKE_BINARY_DIR}/pelzowin.wasm.js
  VERBATIM)

# The page (with the version, cmake/Version.cmake), its loader, service worker and manifest, and its icons (the
# game's own, scaled).
configure_file(${PELZO_VERSION_DIR}/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)
foreach(file loader.js sw.js manifest.webmanifest)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/web/${file} ${CMAKE_BINARY_DIR}/${file} COPYONLY)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/assets/icon.png ${CMAKE_BINARY_DIR}/favicon.png COPYONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/icon-192.png ${CMAKE_BINARY_DIR}/icon-512.png
  COMMAND ${PELZO_PYTHON3} ${web_parts} icon ${CMAKE_SOURCE_DIR}/assets/icon.png 192 ${CMAKE_BINARY_DIR}/icon-192.png
  COMMAND ${PELZO_PYTHON3} ${web_parts} icon ${CMAKE_SOURCE_DIR}/assets/icon.png 512 ${CMAKE_BINARY_DIR}/icon-512.png
  DEPENDS ${web_parts} ${CMAKE_SOURCE_DIR}/assets/icon.png
  VERBATIM)
add_custom_target(pelzo_web_icons ALL DEPENDS ${CMAKE_BINARY_DIR}/icon-192.png ${CMAKE_BINARY_DIR}/icon-512.png)

# The sample sets, so that ?set=samples/sample.zip plays from the build folder.
foreach(set sample.zip sample.pzq large.zip)
  configure_file(${CMAKE_SOURCE_DIR}/data/samples/${set} ${CMAKE_BINARY_DIR}/samples/${set} COPYONLY)
endforeach()
