# cmake -DFRESH=dir -DCOMMITTED=dir -DSETS=a;b -P compare_samples.cmake
# Fails, naming each set, when a committed sample set differs from a fresh pack
# of its sources.
set(stale)
foreach(set ${SETS})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${FRESH}/${set} ${COMMITTED}/${set}
                  RESULT_VARIABLE differs OUTPUT_QUIET ERROR_QUIET)
  if(differs)
    list(APPEND stale ${set})
  endif()
endforeach()
if(stale)
  string(REPLACE ";" ", " stale "${stale}")
  message(FATAL_ERROR "data/samples: these committed sets differ from a fresh pack of data/samples/src: ${stale}. "
                      "Rebuild them with: cmake --build <build folder> --target update-samples")
endif()
