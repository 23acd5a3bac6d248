# 64-bit Windows, what the tests run under wine64 (this machine cannot run 32-bit programs).
# Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/windows/toolchain-x86_64.cmake
set(QUORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
