# Checks the includes of one layer's files: a unit includes units of its own layer and of the
# layers before it, never of a layer after it (cmake/LorvexLayers.cmake has the order). Run by
# the build before the layer's library is compiled:
#
#   cmake -DLAYER=<folder> -DSOURCE_DIR=<the source tree> -DSTAMP=<file> -P CheckLayers.cmake
#
# Every wrong include is listed with its file; none touches STAMP.
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/LorvexLayers.cmake")

if(NOT LAYER IN_LIST LORVEX_LAYERS)
  message(FATAL_ERROR "${LAYER} is not a layer of cmake/LorvexLayers.cmake")
endif()
lorvex_layers_below(${LAYER} allowed)

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${LAYER}/*.h"
     "${SOURCE_DIR}/${LAYER}/*.cpp")
list(SORT files)
set(include "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
set(wrong "")
foreach(file IN LISTS files)
  get_filename_component(folder "${SOURCE_DIR}/${file}" DIRECTORY)
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "${include}")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "${include}.*" "\\1" header "${line}")
    # Every spelling: from the source root ("app/X.h", <app/X.h>) or from the including file's
    # folder ("../app/X.h"), which is where the compiler looks first.
    set(target "${header}")
    if(header MATCHES "^\\.")
      get_filename_component(absolute "${folder}/${header}" ABSOLUTE)
      file(RELATIVE_PATH target "${SOURCE_DIR}" "${absolute}")
    endif()
    string(REGEX REPLACE "/.*" "" layer "${target}")
    if(target MATCHES "/" AND layer IN_LIST LORVEX_LAYERS AND NOT layer IN_LIST allowed)
      string(STRIP "${line}" line)
      string(APPEND wrong "  ${file}: ${line}\n")
    endif()
  endforeach()
endforeach()

if(wrong)
  list(JOIN allowed ", " allowedText)
  message(FATAL_ERROR "Includes that point up or sideways across the layers (DESIGN.md, "
                      "cmake/LorvexLayers.cmake); ${LAYER}/ may include ${allowedText} "
                      "only:\n${wrong}")
endif()
file(TOUCH "${STAMP}")
