# Package configuration of an installed QELSystm: defines QELSystm::qelsystm. The package holds the
# configurations installed into it (`make package`: Debug and Release); a program built in one of them
# links its archives, one built in MinSizeRel or RelWithDebInfo the Release ones where they are there.
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmTargets.cmake")
foreach(archive IN ITEMS qelframework_archive qelsystm_archive)
  if(TARGET QELSystm::${archive})
    set_target_properties(QELSystm::${archive} PROPERTIES
        MAP_IMPORTED_CONFIG_MINSIZEREL "Release;Debug"
        MAP_IMPORTED_CONFIG_RELWITHDEBINFO "Release;Debug")
  endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmUtf8.cmake")
