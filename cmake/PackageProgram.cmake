# A program built against the package installed from this build, the way the README tells a user to:
# the part the tests that do so share (ConsumerTest.cmake, DesignHeaderTest.cmake). The including
# script is given (-D) BUILD_DIR, CONFIG, LIBDIR, GENERATOR, and where they apply PLATFORM and
# TOOLCHAIN. Nothing else is given to the program's build: what it needs to start (the static
# runtime) comes from the package.

# Runs a command; fails the test with its output when it fails, else leaves its output in `output`.
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

# Installs this build into work/prefix, then configures the program in source with CMAKE_PREFIX_PATH
# and, when cross-compiling, with the toolchain file installed with the package and QELSystm_DIR, and
# builds it in work/build.
function(build_against_package source work)
  set(prefix ${work}/prefix)
  set(package ${prefix}/${LIBDIR}/cmake/QELSystm)
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config})
  set(configure ${CMAKE_COMMAND} -S ${source} -B ${work}/build -G ${GENERATOR}
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
endfunction()
