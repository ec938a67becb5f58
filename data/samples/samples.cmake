# Sample quiz sets, built by pelzo-quiz pack from their UTF-8 sources, which
# are the only truth:
#   src/*.txt        -> sample.zip and sample.pzq (the set `scripts/play.sh` starts with)
#   src/large/*.txt  -> large.zip
# The built sets are committed too, so the game can be played without building
# the tool. Every build packs them afresh into <build>/samples and fails when a
# committed set differs from the fresh one; `--target update-samples` copies the
# fresh sets over the committed ones.
if(NOT TARGET pelzo-quiz)
  return()
endif()

set(PELZO_SAMPLES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PELZO_SAMPLES_OUT ${CMAKE_BINARY_DIR}/samples)
file(GLOB PELZO_SAMPLE_SOURCES CONFIGURE_DEPENDS ${PELZO_SAMPLES_DIR}/src/*.txt)
file(GLOB PELZO_LARGE_SOURCES CONFIGURE_DEPENDS ${PELZO_SAMPLES_DIR}/src/large/*.txt)
list(SORT PELZO_SAMPLE_SOURCES)  # file name order is genre order
list(SORT PELZO_LARGE_SOURCES)

set(PELZO_SAMPLE_SETS sample.zip sample.pzq large.zip)
set(PELZO_SAMPLE_FRESH)
foreach(set ${PELZO_SAMPLE_SETS})
  if(set STREQUAL "large.zip")
    set(sources ${PELZO_LARGE_SOURCES})
  else()
    set(sources ${PELZO_SAMPLE_SOURCES})
  endif()
  add_custom_command(OUTPUT ${PELZO_SAMPLES_OUT}/${set}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PELZO_SAMPLES_OUT}
    COMMAND pelzo-quiz pack -o ${PELZO_SAMPLES_OUT}/${set} ${sources}
    DEPENDS pelzo-quiz ${sources}
    COMMENT "Packing sample set ${set}"
    VERBATIM)
  list(APPEND PELZO_SAMPLE_FRESH ${PELZO_SAMPLES_OUT}/${set})
endforeach()

add_custom_command(OUTPUT ${PELZO_SAMPLES_OUT}/committed.stamp
  COMMAND ${CMAKE_COMMAND} -DFRESH=${PELZO_SAMPLES_OUT} -DCOMMITTED=${PELZO_SAMPLES_DIR}
          "-DSETS=${PELZO_SAMPLE_SETS}" -P ${PELZO_SAMPLES_DIR}/compare_samples.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${PELZO_SAMPLES_OUT}/committed.stamp
  DEPENDS ${PELZO_SAMPLE_FRESH} ${PELZO_SAMPLES_DIR}/sample.zip ${PELZO_SAMPLES_DIR}/sample.pzq
          ${PELZO_SAMPLES_DIR}/large.zip ${PELZO_SAMPLES_DIR}/compare_samples.cmake
  COMMENT "Checking that the committed sample sets match their sources"
  VERBATIM)
add_custom_target(samples ALL DEPENDS ${PELZO_SAMPLES_OUT}/committed.stamp)

set(copies)
foreach(set ${PELZO_SAMPLE_SETS})
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy ${PELZO_SAMPLES_OUT}/${set} ${PELZO_SAMPLES_DIR}/${set})
endforeach()
add_custom_target(update-samples ${copies}
  DEPENDS ${PELZO_SAMPLE_FRESH}
  COMMENT "Copying the freshly packed sample sets into data/samples"
  VERBATIM)
