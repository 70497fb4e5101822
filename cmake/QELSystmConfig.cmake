# Package configuration of an installed QELSystm: defines QELSystm::qelsystm.
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmUtf8.cmake")
