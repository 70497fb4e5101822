# Cross toolchain: 32-bit Windows (i686) with MinGW-w64, run under Wine (see mingw-toolchain.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QEL_MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
