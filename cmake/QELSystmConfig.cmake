# Package configuration of an installed QELSystm: defines QELSystm::qelsystm. The package holds the
# architectures and configurations installed into it (`make package`: i686 and x86_64, each Debug and
# Release). A program gets the architecture of its own toolchain (its pointer size); in it, a program
# built in one of the configurations links its archives, one built in MinSizeRel or RelWithDebInfo the
# Release ones where they are there.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_qel_architecture x86_64)
else()
  set(_qel_architecture i686)
endif()
if(NOT EXISTS "${CMAKE_CURRENT_LIST_DIR}/QELSystmTargets-${_qel_architecture}.cmake")
  file(GLOB _qel_installed RELATIVE "${CMAKE_CURRENT_LIST_DIR}" "${CMAKE_CURRENT_LIST_DIR}/QELSystmTargets-*.cmake")
  list(FILTER _qel_installed INCLUDE REGEX "^QELSystmTargets-[^-]+\\.cmake$")
  list(TRANSFORM _qel_installed REPLACE "^QELSystmTargets-(.*)\\.cmake$" "\\1")
  set(QELSystm_FOUND FALSE)
  set(QELSystm_NOT_FOUND_MESSAGE
      "This QELSystm package holds no ${_qel_architecture} build (it holds: ${_qel_installed}); the program's toolchain builds for ${_qel_architecture}.")
  return()
endif()
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmTargets-${_qel_architecture}.cmake")
foreach(archive IN ITEMS qelframework_archive qelsystm_archive)
  if(TARGET QELSystm::${archive})
    set_target_properties(QELSystm::${archive} PROPERTIES
        MAP_IMPORTED_CONFIG_MINSIZEREL "Release;Debug"
        MAP_IMPORTED_CONFIG_RELWITHDEBINFO "Release;Debug")
  endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmUtf8.cmake")
