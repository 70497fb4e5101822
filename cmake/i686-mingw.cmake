# Cross toolchain: 32-bit Windows (i686) with MinGW-w64, run under Wine.
#
# The posix thread model is required: the win32 model has no std::mutex/std::thread, and GoogleTest
# does not build without them.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest prefixes every test command with this. The Wine prefix, display and wineserver come from
# scripts/run-tests.sh, which is why tests are run through it rather than by plain ctest.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
