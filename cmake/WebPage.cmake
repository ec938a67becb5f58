# WebPage: the browser build's game, as the page loads it. Included by the top
# CMakeLists.txt for the emscripten build.
#
# pelzowin links to pelzowin.js and pelzowin.wasm, with its data file,
# pelzowin.data, holding the fonts the page ships (a browser has no font
# files FreeType can read): IPA Mincho for Japanese, DejaVu Sans for the
# library's default font, both at /pelzo/fonts/. The page itself,
# packaging/web/index.html, is copied beside them, so the build folder can be
# served as it is (scripts/play-web.sh).
set(PELZO_WEB_FONT_JP /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf CACHE FILEPATH
  "The Japanese font the page ships (Debian's fonts-ipafont-mincho)")
set(PELZO_WEB_FONT_SANS /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf CACHE FILEPATH
  "The default sans font the page ships (Debian's fonts-dejavu-core)")
foreach(font ${PELZO_WEB_FONT_JP} ${PELZO_WEB_FONT_SANS})
  if(NOT EXISTS ${font})
    message(FATAL_ERROR "${font} is missing: run scripts/setup-web.sh")
  endif()
endforeach()

target_link_options(pelzowin PRIVATE
  # The page starts main itself, once it has fetched a set named by ?set=
  # and knows the arguments.
  -sINVOKE_RUN=0
  -sEXPORTED_RUNTIME_METHODS=[callMain,FS]
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1
  "SHELL:--preload-file ${PELZO_WEB_FONT_JP}@/pelzo/fonts/ipam.ttf"
  "SHELL:--preload-file ${PELZO_WEB_FONT_SANS}@/pelzo/fonts/DejaVuSans.ttf")
set_target_properties(pelzowin PROPERTIES SUFFIX ".js"
  LINK_DEPENDS "${PELZO_WEB_FONT_JP};${PELZO_WEB_FONT_SANS}")

# The page (with the version, cmake/Version.cmake) and its icon (the game's
# own) beside the game.
configure_file(${PELZO_VERSION_DIR}/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/assets/icon.png ${CMAKE_BINARY_DIR}/favicon.png COPYONLY)

# The sample sets, so that ?set=samples/sample.zip plays from the build folder.
foreach(set sample.zip sample.pzq large.zip)
  configure_file(${CMAKE_SOURCE_DIR}/data/samples/${set} ${CMAKE_BINARY_DIR}/samples/${set} COPYONLY)
endforeach()
