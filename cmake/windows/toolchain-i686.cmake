# 32-bit Windows, what ships. Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/windows/toolchain-i686.cmake
set(QUORVANE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
