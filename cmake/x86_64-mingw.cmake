# Cross toolchain: 64-bit Windows (x86_64) with MinGW-w64, run under Wine (see mingw-toolchain.cmake).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QEL_MINGW_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
