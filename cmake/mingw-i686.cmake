# Cross-compiling for 32-bit Windows with MinGW-w64 (posix thread model, so std::thread works).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(LORVEX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${LORVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LORVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${LORVEX_MINGW_PREFIX}-windres)

# The MinGW dependencies live in a cache outside the work tree; scripts/setup.sh writes which
# folders of it this work tree uses (LORVEX_DEPS_PREFIXES, LORVEX_SQLITE_DLL). The file is
# missing only while setup.sh builds those dependencies themselves with this toolchain.
include("${CMAKE_CURRENT_LIST_DIR}/../build/mingw-deps.cmake" OPTIONAL)
set(CMAKE_FIND_ROOT_PATH /usr/${LORVEX_MINGW_PREFIX} ${LORVEX_DEPS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Run the test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-emulator.sh")

# A self-contained executable: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
