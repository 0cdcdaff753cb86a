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
set(wrong "")
foreach(file IN LISTS files)
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    string(REGEX REPLACE "/.*" "" folder "${header}")
    if(folder IN_LIST LORVEX_LAYERS AND NOT folder IN_LIST allowed)
      string(APPEND wrong "  ${file}: #include \"${header}\"\n")
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
