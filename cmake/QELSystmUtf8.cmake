# qelsystm_use_utf8(<target>): the program runs with UTF-8 as its ANSI code page (Windows 10 version
# 1903 and later, Wine 8), so that the library's ANSI calls take and give any text (docs/text.md).
# Without it a program runs in the system's ANSI code page, as before.
#
# With MinGW the program gets QELSystmUtf8.rc (the RC language must be enabled: project(... RC)); with
# MSVC, whose linker writes a manifest of its own, QELSystmUtf8.manifest is merged into that one.
function(qelsystm_use_utf8 target)
  if(MSVC)
    target_sources(${target} PRIVATE "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/QELSystmUtf8.manifest")
    return()
  endif()
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if(NOT "RC" IN_LIST languages)
    message(FATAL_ERROR "qelsystm_use_utf8(${target}): the manifest is a resource; enable the RC language "
                        "(project(... LANGUAGES CXX RC)).")
  endif()
  target_sources(${target} PRIVATE "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/QELSystmUtf8.rc")
endfunction()
