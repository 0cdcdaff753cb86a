# The layers of the program from the bottom up, each a library of its own (see DESIGN.md). A
# layer builds on those before it in this list and on nothing after it: data and metadata stand
# side by side on the core, and so do desktop and sources on the framework, but each pair links
# in the order written here (the search sources may use the desktop's timer service, the desktop
# never a source).
#
#   lorvex_layer(<folder> [<glob>...] [EXCLUDE <regex>])
#
# adds the static library lorvex_<folder> of the files the globs find and, on Windows, of
# <folder>/win32/*.cpp; EXCLUDE drops the files whose path matches. The library links the layer
# before it (the nearest one that is built: natively there is no ui). Its include folder is not
# the source root but build/layers/include/<folder>, made here, which holds a link to the folder
# of the layer and of each layer before it and nothing else: the compiler itself refuses
# "app/X.h" or <app/X.h> below app. Before any of its files is compiled, the build checks every
# include of every file under <folder>/ (cmake/CheckLayers.cmake), in every spelling, also the
# relative "../app/X.h" that the compiler finds beside the including file whatever the include
# folders, and stops on one that points to a later layer, naming the file and the include.
#
#   lorvex_layer_check(<folder> <stamp variable>)
#
# adds only that check (natively for ui/, which is not built there but is checked all the same).
#
# This file is also read by the check, in script mode: the list below is the one rule of both.

set(LORVEX_LAYERS os core data metadata ui desktop sources app)

# The layers a unit of Folder may include: its own and those before it.
function(lorvex_layers_below folder out)
  list(FIND LORVEX_LAYERS ${folder} index)
  math(EXPR count "${index} + 1")
  list(SUBLIST LORVEX_LAYERS 0 ${count} allowed)
  set(${out} ${allowed} PARENT_SCOPE)
endfunction()

function(lorvex_layer_check folder stampVariable)
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
  set(${stampVariable} "${stamp}" PARENT_SCOPE)
endfunction()

# The include folder of a layer: a link to each folder the layer may include.
function(lorvex_layer_include_folder folder out)
  set(root "${CMAKE_BINARY_DIR}/layers/include/${folder}")
  file(REMOVE_RECURSE "${root}")
  file(MAKE_DIRECTORY "${root}")
  lorvex_layers_below(${folder} allowed)
  foreach(layer IN LISTS allowed)
    file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${layer}" "${root}/${layer}" SYMBOLIC)
  endforeach()
  set(${out} "${root}" PARENT_SCOPE)
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

  lorvex_layer_check(${folder} stamp)
  lorvex_layer_include_folder(${folder} includes)
  add_library(lorvex_${folder} STATIC ${sources} "${stamp}")
  target_include_directories(lorvex_${folder} PUBLIC "${includes}")
  lorvex_layers_below(${folder} below)
  list(REMOVE_ITEM below ${folder})
  list(REVERSE below)
  foreach(layer IN LISTS below)
    if(TARGET lorvex_${layer})
      target_link_libraries(lorvex_${folder} PUBLIC lorvex_${layer})
      break()
    endif()
  endforeach()
endfunction()
