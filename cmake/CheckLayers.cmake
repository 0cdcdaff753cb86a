# Checks the includes of one layer's files: a unit includes units of its own layer and of the
# layers below it, never of a layer above it or beside it (cmake/LorvexLayers.cmake has the
# table). Run by the build before the layer's library is compiled:
#
#   cmake -DLAYER=<folder> -DSOURCE_DIR=<the source tree> -DSTAMP=<file> -P CheckLayers.cmake
#
# Every wrong include is listed with its file; none touches STAMP.

cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/LorvexLayers.cmake")

lorvex_layer_level(${LAYER} level)
if(level LESS 0)
  message(FATAL_ERROR "${LAYER} is not a layer of cmake/LorvexLayers.cmake")
endif()
set(allowed ${LAYER})
set(below ${level})
while(below GREATER 0)
  math(EXPR below "${below} - 1")
  lorvex_layers_on(${below} names)
  list(APPEND allowed ${names})
endwhile()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${LAYER}/*.h"
     "${SOURCE_DIR}/${LAYER}/*.cpp")
list(SORT files)
set(wrong "")
foreach(file IN LISTS files)
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    string(REGEX REPLACE "/.*" "" folder "${header}")
    lorvex_layer_level(${folder} includedLevel)
    if(includedLevel GREATER_EQUAL 0 AND NOT folder IN_LIST allowed)
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
