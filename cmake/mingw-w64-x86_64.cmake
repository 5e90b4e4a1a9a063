# Cross-compiles the Windows (x86-64) program with Debian's MinGW-w64 (the
# posix threads model, which gives std::thread) and runs what it builds, the
# tests included, under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file to copy: the C++ runtime and the threads library linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine's own diagnostics would mix with what the tests read from stderr.
find_program(QUILLERY_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(QUILLERY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEDEBUG=-all ${QUILLERY_WINE})
endif()
