# SPDX-License-Identifier: MIT
# Packs one case of the authoring test with the native pelzo-quiz, in
# Japanese, as a teacher would: OUT.zip when `pack -o OUT.zip` takes the
# sources, else OUT.pzq when `pack -o OUT.pzq` does, else OUT.refused. What
# pack said (its stderr) for the set it wrote, or for the ZIP set it
# refused, is in OUT.said. A single folder stands for its sources in name
# order, as the game takes a folder.
#
#   cmake -DTOOL=<pelzo-quiz> -DOUT=<base> -DDIR=<folder> -DSOURCES=<a;b> -P pack_fixture.cmake
#   (run in DIR; SOURCES relative to it)
file(REMOVE ${OUT}.zip ${OUT}.pzq ${OUT}.refused ${OUT}.said)
list(LENGTH SOURCES count)
if(count EQUAL 1 AND IS_DIRECTORY "${DIR}/${SOURCES}")
  file(GLOB SOURCES RELATIVE "${DIR}" "${DIR}/${SOURCES}/*")
  list(FILTER SOURCES INCLUDE REGEX "\\.([Tt][Xx][Tt]|[Cc][Ss][Vv]|[Tt][Ss][Vv]|[Xx][Ll][Ss][Xx]|[Oo][Dd][Ss])$")
  list(SORT SOURCES)
endif()
set(ENV{LC_ALL} C.UTF-8)
set(ENV{LANGUAGE} ja)
execute_process(COMMAND ${TOOL} pack -o ${OUT}.zip ${SOURCES} RESULT_VARIABLE zip ERROR_VARIABLE said OUTPUT_QUIET)
if(NOT zip EQUAL 0)
  execute_process(COMMAND ${TOOL} pack -o ${OUT}.pzq ${SOURCES} RESULT_VARIABLE pzq ERROR_VARIABLE pzqSaid OUTPUT_QUIET)
  if(pzq EQUAL 0)
    set(said "${pzqSaid}")
  else()
    file(WRITE ${OUT}.refused "")
  endif()
endif()
file(WRITE ${OUT}.said "${said}")
file(WRITE ${OUT}.stamp "")
