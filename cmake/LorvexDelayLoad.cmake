# System libraries that the first window does not need are loaded at their first call instead
# of at start-up (under Wine, odbc32 alone brings in the host's ODBC manager):
#
#   lorvex_delay_load(<target> <library>...)
#
# links <target> with a delay-import library for each <library> (odbc32, comdlg32, ...), made
# at configure time from MinGW's own import library of it. Each function the library exports
# gets a stub that, at its first call, loads the DLL, looks the function up, stores its address
# in the import table and jumps to it (the helper comes from MinGW's libdelayimp); later calls
# jump straight to it. No call site changes.
#
# A caller must reach these functions through their stubs, by name: the linker keeps a stub only
# when something calls it by name, and a call through a dllimport pointer then finds the import
# table entry empty and jumps to address 0. The headers declare the functions of odbc32 and
# version without dllimport; for those of comdlg32 and oleaut32 the Windows build defines
# WINCOMMDLGAPI and _OLEAUT32_ (CMakeLists.txt), which leave it out. lorvex_check_delay_load
# (<target> <library target>...) stops the link of <target> when one of its objects or of those
# libraries still calls one through dllimport (cmake/CheckDelayLoad.cmake).

find_program(LORVEX_DLLTOOL ${LORVEX_MINGW_PREFIX}-dlltool REQUIRED)

function(lorvex_delay_load target)
  foreach(name IN LISTS ARGN)
    set(delayLib "${CMAKE_BINARY_DIR}/delayload/lib${name}_delay.a")
    find_library(LORVEX_IMPORT_${name} NAMES ${name} lib${name}.a REQUIRED NO_CACHE)
    execute_process(COMMAND "${CMAKE_NM}" "${LORVEX_IMPORT_${name}}" OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY ERROR_QUIET)
    # The functions: a stub (T) and an import pointer (I) of the same name; stdcall names
    # keep their @n here and lose it in the DLL (-k).
    string(REGEX MATCHALL "[^\n]+ T _[^\n]+" stubs "${symbols}")
    string(REGEX MATCHALL "[^\n]+ I __imp__[^\n]+" pointers "${symbols}")
    list(TRANSFORM stubs REPLACE "^.* T _" "")
    list(TRANSFORM pointers REPLACE "^.* I __imp__" "")
    set(exports "")
    foreach(function IN LISTS stubs)
      if(function IN_LIST pointers)
        string(APPEND exports "${function}\n")
      endif()
    endforeach()
    if(exports STREQUAL "")
      message(FATAL_ERROR "No functions found in ${LORVEX_IMPORT_${name}}")
    endif()
    file(WRITE "${CMAKE_BINARY_DIR}/delayload/${name}.def" "LIBRARY ${name}.dll\nEXPORTS\n${exports}")
    execute_process(
      COMMAND "${LORVEX_DLLTOOL}" -k -d "${CMAKE_BINARY_DIR}/delayload/${name}.def" -D ${name}.dll -y "${delayLib}.new"
      COMMAND_ERROR_IS_FATAL ANY)
    # Rewritten only when it changed, so that configuring again relinks nothing.
    file(COPY_FILE "${delayLib}.new" "${delayLib}" ONLY_IF_DIFFERENT)
    target_link_libraries(${target} PUBLIC "${delayLib}" delayimp)
    set_property(GLOBAL APPEND PROPERTY LORVEX_DELAY_DEFS "${CMAKE_BINARY_DIR}/delayload/${name}.def")
  endforeach()
endfunction()

function(lorvex_check_delay_load target)
  get_property(defs GLOBAL PROPERTY LORVEX_DELAY_DEFS)
  set(files "$<TARGET_OBJECTS:${target}>")
  foreach(library IN LISTS ARGN)
    list(APPEND files "$<TARGET_FILE:${library}>")
  endforeach()
  add_custom_command(
    TARGET ${target} PRE_LINK
    COMMAND "${CMAKE_COMMAND}" "-DNM=${CMAKE_NM}" "-DDEFS=${defs}" "-DFILES=${files}"
            -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckDelayLoad.cmake"
    VERBATIM)
endfunction()
