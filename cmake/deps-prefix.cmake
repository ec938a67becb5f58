# SPDX-License-Identifier: MIT
# The prefix holding a cross build's libraries, for the toolchain files:
#
#   pelzo_deps_prefix(VAR "what the prefix holds")
#
# sets VAR (a cache path, by default deps/prefix inside the build folder)
# and VAR_DIR, the same made absolute. CMake reads a toolchain file again in
# every try_compile() test project, where CMAKE_BINARY_DIR is a scratch
# folder: CMAKE_TRY_COMPILE_PLATFORM_VARIABLES hands the value chosen here
# down to them, and a value already set wins over the default.
macro(pelzo_deps_prefix var doc)
  if(NOT DEFINED ${var})
    set(${var} "${CMAKE_BINARY_DIR}/deps/prefix" CACHE PATH "${doc}")
  endif()
  get_filename_component(${var}_DIR "${${var}}" ABSOLUTE BASE_DIR "${CMAKE_BINARY_DIR}")
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${var})
  list(REMOVE_DUPLICATES CMAKE_TRY_COMPILE_PLATFORM_VARIABLES)
endmacro()
