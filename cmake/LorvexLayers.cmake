# The layers of the program, from the bottom up, and a library for each (see DESIGN.md). Names on
# one level are layers side by side: neither includes the other.
#
#   lorvex_layer(<folder> [<glob>...] [EXCLUDE <regex>])
#
# adds the static library lorvex_<folder> of the files the globs find and, on Windows, of
# <folder>/win32/*.cpp; EXCLUDE drops the files whose path matches. The library links the
# libraries of the level below it (the nearest level that is built: natively there is no ui), so
# that it builds only on what lies below. Before any of its files is compiled, the build checks
# every include of every file under <folder>/ (cmake/CheckLayers.cmake) and stops on one that
# points up or sideways, naming the file and the include.
#
# This file is also read by the check, in script mode: the table below is the one rule of both.

set(LORVEX_LAYERS os core "data metadata" ui "desktop sources" app)

# The level of a layer's folder, counted from 0 at the bottom; -1 for a folder that is no layer.
function(lorvex_layer_level folder out)
  set(level 0)
  foreach(names IN LISTS LORVEX_LAYERS)
    string(REPLACE " " ";" names "${names}")
    if(folder IN_LIST names)
      set(${out} ${level} PARENT_SCOPE)
      return()
    endif()
    math(EXPR level "${level} + 1")
  endforeach()
  set(${out} -1 PARENT_SCOPE)
endfunction()

# The layers on one level.
function(lorvex_layers_on level out)
  list(GET LORVEX_LAYERS ${level} names)
  string(REPLACE " " ";" names "${names}")
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(lorvex_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXCLUDE" "")
  set(globs ${arg_UNPARSED_ARGUMENTS})
  if(WIN32)
    list(APPEND globs ${folder}/win32/*.cpp)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  if(arg_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${arg_EXCLUDE}")
  endif()

  set(stamp "${CMAKE_BINARY_DIR}/layers/${folder}.checked")
  set(check "${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake")
  file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${folder}/*.h ${folder}/*.cpp)
  add_custom_command(
    OUTPUT "${stamp}"
    COMMAND "${CMAKE_COMMAND}" -DLAYER=${folder} "-DSOURCE_DIR=${CMAKE_SOURCE_DIR}"
            "-DSTAMP=${stamp}" -P "${check}"
    DEPENDS ${checked} "${check}" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    COMMENT "Checking the includes of ${folder}/ against the layers"
    VERBATIM)

  add_library(lorvex_${folder} STATIC ${sources} "${stamp}")
  target_include_directories(lorvex_${folder} PUBLIC "${CMAKE_SOURCE_DIR}")
  lorvex_layer_level(${folder} level)
  while(level GREATER 0)
    math(EXPR level "${level} - 1")
    lorvex_layers_on(${level} names)
    set(below "")
    foreach(name IN LISTS names)
      if(TARGET lorvex_${name})
        list(APPEND below lorvex_${name})
      endif()
    endforeach()
    if(below)
      target_link_libraries(lorvex_${folder} PUBLIC ${below})
      break()
    endif()
  endwhile()
endfunction()
