# norvik_add_test_dll(<target> SOURCES <file>... [LIBRARIES <library>...])
#
# Builds the test DLL <target> from SOURCES, linked to Norvik::Norvik and to
# LIBRARIES, and registers the CTest test <target>. The test runs the DLL in the
# runner's command-line mode (through CMAKE_CROSSCOMPILING_EMULATOR when one is
# set, Wine for example), reads the report the runner writes to
# <target>.xml in the current binary folder, prints each failure, and fails when
# the DLL could not be run, when no test function ran, or when any of them failed.
include_guard(GLOBAL)
set(_NORVIK_TESTING_DIR ${CMAKE_CURRENT_LIST_DIR})

function(norvik_add_test_dll target)
  cmake_parse_arguments(PARSE_ARGV 1 NORVIK "" "" "SOURCES;LIBRARIES")
  if(NOT NORVIK_SOURCES)
    message(FATAL_ERROR "norvik_add_test_dll(${target}): SOURCES names no source file")
  endif()
  if(NORVIK_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "norvik_add_test_dll(${target}): unknown arguments ${NORVIK_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET Norvik::WindowsNorvik)
    message(FATAL_ERROR "norvik_add_test_dll(${target}): this Norvik package has no runner to run test DLLs with")
  endif()

  # The runner loads the DLL by path; nothing links against it.
  add_library(${target} MODULE ${NORVIK_SOURCES})
  target_link_libraries(${target} PRIVATE Norvik::Norvik ${NORVIK_LIBRARIES})
  set_target_properties(${target} PROPERTIES PREFIX "")

  add_test(NAME ${target}
    COMMAND ${CMAKE_COMMAND}
      "-DNORVIK_EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
      -DNORVIK_RUNNER=$<TARGET_FILE:Norvik::WindowsNorvik>
      -DNORVIK_TEST_DLL=$<TARGET_FILE:${target}>
      -DNORVIK_REPORT=${CMAKE_CURRENT_BINARY_DIR}/${target}.xml
      -P ${_NORVIK_TESTING_DIR}/NorvikRunTestDll.cmake)
  set_tests_properties(${target} PROPERTIES LABELS norvik)
endfunction()
