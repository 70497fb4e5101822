# The "consumer" test: installs this build into a prefix of its own, builds examples/consumer against
# that package with the same toolchain, and runs it for a second. Arguments (-D): BUILD_DIR,
# SOURCE_DIR, CONFIG, LIBDIR, GENERATOR, and where they apply PLATFORM, TOOLCHAIN and EMULATOR (the
# program that runs a Windows executable, wine when cross-compiling).
set(work ${BUILD_DIR}/consumer)
file(REMOVE_RECURSE ${work})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command} failed (${status}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# A configuration to name only where the build has one.
set(config)
if(CONFIG)
  set(config --config ${CONFIG})
endif()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${work}/prefix ${config})

set(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${work}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${CONFIG} -DCMAKE_PREFIX_PATH=${work}/prefix
    -DQELSystm_DIR=${work}/prefix/${LIBDIR}/cmake/QELSystm)
if(PLATFORM)
  list(APPEND configure -A ${PLATFORM})
endif()
if(TOOLCHAIN)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run(${configure})
run(${CMAKE_COMMAND} --build ${work}/build ${config})

find_program(consumer consumer.exe PATHS ${work}/build ${work}/build/${CONFIG} NO_DEFAULT_PATH REQUIRED)
run(${EMULATOR} ${consumer} 1)
message("${output}")
if(NOT output MATCHES "MainForm: place and size stored")
  message(FATAL_ERROR "The consumer did not report that its form saver stored the form.")
endif()
