# Package configuration of an installed QELSystm: defines QELSystm::qelsystm.
include("${CMAKE_CURRENT_LIST_DIR}/QELSystmTargets.cmake")
