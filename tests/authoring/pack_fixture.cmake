# SPDX-License-Identifier: MIT
# Packs one case of the authoring test with the native pelzo-quiz, in
# Japanese, as a teacher would: OUT.zip when `pack -o OUT.zip` takes the
# sources, else OUT.pzq when `pack -o OUT.pzq` does, else OUT.refused holding
# what pack said (its stderr) for the ZIP set.
#
#   cmake -DTOOL=<pelzo-quiz> -DOUT=<base> -DSOURCES=<a;b> -P pack_fixture.cmake   (run in the sources' folder)
file(REMOVE ${OUT}.zip ${OUT}.pzq ${OUT}.refused)
set(ENV{LC_ALL} C.UTF-8)
set(ENV{LANGUAGE} ja)
execute_process(COMMAND ${TOOL} pack -o ${OUT}.zip ${SOURCES} RESULT_VARIABLE zip ERROR_VARIABLE zipSaid OUTPUT_QUIET)
if(NOT zip EQUAL 0)
  execute_process(COMMAND ${TOOL} pack -o ${OUT}.pzq ${SOURCES} RESULT_VARIABLE pzq OUTPUT_QUIET ERROR_QUIET)
  if(NOT pzq EQUAL 0)
    file(WRITE ${OUT}.refused "${zipSaid}")
  endif()
endif()
file(WRITE ${OUT}.stamp "")
