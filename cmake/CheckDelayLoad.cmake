# Stops the link of a program when one of its objects calls a delay-loaded function through a
# dllimport pointer: the program would jump to address 0 at that call (cmake/LorvexDelayLoad.cmake).
#
#   cmake -DNM=<nm> -DDEFS=<delayload/*.def list> -DFILES=<objects and libraries> -P CheckDelayLoad.cmake
cmake_minimum_required(VERSION 3.25)

set(delayed "")
foreach(def IN LISTS DEFS)
  file(STRINGS "${def}" functions REGEX "@[0-9]+$|^[A-Za-z_][A-Za-z0-9_]*$")
  list(APPEND delayed ${functions})
endforeach()

set(wrong "")
foreach(file IN LISTS FILES)
  execute_process(COMMAND "${NM}" -u "${file}" OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "__imp__[^\n]+" pointers "${symbols}")
  list(TRANSFORM pointers REPLACE "^__imp__" "")
  foreach(function IN LISTS pointers)
    if(function IN_LIST delayed)
      string(APPEND wrong "  ${file}: ${function}\n")
    endif()
  endforeach()
endforeach()
if(wrong)
  message(FATAL_ERROR "Delay-loaded functions called through dllimport (declare them without it):\n${wrong}")
endif()
