# The "design-header" test: qel design saves tests/tools/header/Designed.qfm and writes Designed.h
# beside it; the program there, which includes that header and defines the handlers it declares, is
# built against the installed package (PackageProgram.cmake), reads the description into its form
# and shows that the description's handlers are its own. Arguments (-D): those of ConsumerTest.cmake,
# and QEL, the host program.
include(${CMAKE_CURRENT_LIST_DIR}/PackageProgram.cmake)
set(work ${BUILD_DIR}/design-header)
file(REMOVE_RECURSE ${work})
file(COPY ${SOURCE_DIR}/tests/tools/header/ DESTINATION ${work}/source)
set(description ${work}/source/Designed.qfm)
if(EMULATOR)
  # Wine's drive Z: is the Linux root.
  set(description Z:${description})
endif()

run(${EMULATOR} ${QEL} design ${description} --seconds 2 --save)
if(NOT EXISTS ${work}/source/Designed.h)
  message(FATAL_ERROR "qel design wrote no Designed.h beside Designed.qfm:\n${output}")
endif()
build_against_package(${work}/source ${work})

find_program(designed designed.exe PATHS ${work}/build ${work}/build/${CONFIG} NO_DEFAULT_PATH REQUIRED)
run(${EMULATOR} ${designed} ${description})
message("${output}")
foreach(line IN ITEMS "FormSaver1Restore: Designed" "DesignedClose: Designed" "FormSaver1Store: Designed")
  if(NOT output MATCHES "${line}")
    message(FATAL_ERROR "The program did not print '${line}': its handler was not called.")
  endif()
endforeach()
