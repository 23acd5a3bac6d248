# Shared part of the mingw-w64 cross toolchains. The including file sets QUORVANE_MINGW_TRIPLE
# (i686-w64-mingw32 or x86_64-w64-mingw32) before including this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The posix thread model, so that std::thread and std::mutex work.
set(CMAKE_C_COMPILER   ${QUORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${QUORVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes are linked in, so every program and the engine DLL import only
# system DLLs. Programs link everything statically (winpthread too).
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Test programs run under Wine on the build machine.
find_program(QUORVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUORVANE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVANE_WINE64})
endif()
