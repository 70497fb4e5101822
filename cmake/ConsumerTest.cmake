# The "consumer" test: a program built against the installed package the way the README tells a user
# to, and run. Installs this build into a prefix of its own, configures examples/consumer (whose
# CMakeLists.txt holds the README's lines and nothing else a program would not have) with
# CMAKE_PREFIX_PATH and, when cross-compiling, with the toolchain file installed with the package and
# QELSystm_DIR; builds it and runs it for a second. Nothing else is given to the program's build: what
# it needs to start (the static runtime) comes from the package. Arguments (-D): BUILD_DIR,
# SOURCE_DIR, CONFIG, LIBDIR, GENERATOR, and where they apply PLATFORM, TOOLCHAIN and EMULATOR (the
# program that runs a Windows executable, wine when cross-compiling).
set(work ${BUILD_DIR}/consumer)
file(REMOVE_RECURSE ${work})
set(prefix ${work}/prefix)
set(package ${prefix}/${LIBDIR}/cmake/QELSystm)

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
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config})

set(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${work}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${CONFIG} -DCMAKE_PREFIX_PATH=${prefix})
if(PLATFORM)
  list(APPEND configure -A ${PLATFORM})
endif()
if(TOOLCHAIN)
  get_filename_component(toolchain ${TOOLCHAIN} NAME)
  if(NOT EXISTS ${package}/${toolchain})
    message(FATAL_ERROR "The package holds no ${toolchain}: a program cannot be built with the toolchain it was built with.")
  endif()
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${package}/${toolchain} -DQELSystm_DIR=${package})
endif()
run(${configure})
run(${CMAKE_COMMAND} --build ${work}/build ${config})

find_program(consumer consumer.exe PATHS ${work}/build ${work}/build/${CONFIG} NO_DEFAULT_PATH REQUIRED)
run(${EMULATOR} ${consumer} 1)
message("${output}")
if(NOT output MATCHES "MainForm: place and size stored")
  message(FATAL_ERROR "The consumer did not report that its form saver stored the form.")
endif()
