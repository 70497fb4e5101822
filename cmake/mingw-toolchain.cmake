# Cross toolchain for Windows with MinGW-w64, run under Wine: the part both architectures share.
# Included by i686-mingw.cmake and x86_64-mingw.cmake, which set QEL_MINGW_TARGET (the compilers'
# target triplet) and CMAKE_SYSTEM_PROCESSOR first.
#
# The posix thread model is required: the win32 model has no std::mutex/std::thread, and GoogleTest
# does not build without them.

set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QEL_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QEL_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${QEL_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QEL_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest prefixes every test command with this. The Wine prefix, display and wineserver come from
# scripts/run-tests.sh, which is why tests are run through it rather than by plain ctest. One Wine
# runs the programs of both architectures (in a 64-bit prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
