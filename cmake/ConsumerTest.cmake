# The "consumer" test: examples/consumer (whose CMakeLists.txt holds the README's lines and nothing
# else a program would not have) built against the installed package (PackageProgram.cmake), and run
# for a second. Arguments (-D): BUILD_DIR, SOURCE_DIR, CONFIG, LIBDIR, GENERATOR, and where they apply
# PLATFORM, TOOLCHAIN and EMULATOR (the program that runs a Windows executable, wine when
# cross-compiling).
include(${CMAKE_CURRENT_LIST_DIR}/PackageProgram.cmake)
set(work ${BUILD_DIR}/consumer)
file(REMOVE_RECURSE ${work})
build_against_package(${SOURCE_DIR}/examples/consumer ${work})

find_program(consumer consumer.exe PATHS ${work}/build ${work}/build/${CONFIG} NO_DEFAULT_PATH REQUIRED)
run(${EMULATOR} ${consumer} 1)
message("${output}")
if(NOT output MATCHES "MainForm: place and size stored")
  message(FATAL_ERROR "The consumer did not report that its form saver stored the form.")
endif()
