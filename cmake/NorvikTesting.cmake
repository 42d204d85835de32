# CTest helpers for test DLLs, run by the console runner NorvikRun:
#
# norvik_add_test_dll(<target> SOURCES <file>... [LIBRARIES <library>...] [TIMEOUT <seconds>]
#                     [SHARDS <count>] [RUN_OPTIONS <option>...])
#   Builds the test DLL <target> from SOURCES, linked to Norvik::Norvik and to
#   LIBRARIES, with an entry point that registers the declared tests (NVK_TEST) when
#   SOURCES define none (NVK_TEST_LIBRARY_ENTRY), and registers the CTest test <target>
#   that runs all its tests and writes the XML report <target>.xml into the current
#   binary folder. With SHARDS,
#   registers <target>.shard<i> for i from 0 to count - 1 instead, each running its
#   share of the tests (--shard i/count) and writing <target>.shard<i>.xml, so that
#   ctest -j runs the shares side by side. RUN_OPTIONS are more of NorvikRun's
#   options, such as --isolate or --jobs 2.
#
# norvik_discover_tests(<target> [TEST_PREFIX <prefix>] [TIMEOUT <seconds>] [RUN_OPTIONS <option>...]
#                       [PROPERTIES <name> <value>...])
#   After each build of the test DLL <target>, lists its tests and registers one
#   CTest test per Batch.Test, named <prefix>Batch.Test, that runs only that test,
#   with the property DEF_SOURCE_LINE <file>:<line> where the test is known to be.
#
# A test fails when NorvikRun exits with a code other than 0 (a test failed or
# crashed, the DLL could not be loaded, a test ran longer than TIMEOUT), when no
# test ran, when a selected test was not run, or when NorvikRun ended without its
# closing line (a test ended the process). It is skipped when every test it ran
# skipped itself. Programs run through CMAKE_CROSSCOMPILING_EMULATOR when one is set.
include_guard(GLOBAL)
set(_NORVIK_TESTING_DIR ${CMAKE_CURRENT_LIST_DIR})

# NorvikRun's closing line when nothing ran: an empty DLL, or a test that is gone.
set(_NORVIK_NOTHING_RAN "(^|[^0-9])0 passed, 0 failed")
# Its closing line, as the last line, when every test that ran skipped itself. CTest puts
# a skip before a failure and before the exit code, so the line must end the output: after
# a run that failed, the checked command's own message follows it. A test the run never
# reached did not skip itself: the line's ", J not run" keeps the pattern from matching,
# and the run fails as one where nothing ran. The pattern goes through the build's
# command line to discovery, so line ends are matched as characters that are not
# printable rather than written out.
set(_NORVIK_ALL_SKIPPED "(^|[^ -~])0 passed, 0 failed, [1-9][0-9]* skipped[^ -~]*$")

function(_norvik_require_runner command)
  if(NOT TARGET Norvik::NorvikRun)
    message(FATAL_ERROR "${command}: this Norvik package has no console runner NorvikRun to run test DLLs with")
  endif()
endfunction()

# A path as the runner sees it: Wine shows the host's root folder as drive Z:.
function(_norvik_program_path path output)
  if(CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_HOST_UNIX)
    set(path "Z:${path}")
  endif()
  set(${output} "${path}" PARENT_SCOPE)
endfunction()

# The CTest command that runs NorvikRun with the arguments and checks its closing line.
function(_norvik_checked_command output)
  set(${output} ${CMAKE_COMMAND} -P ${_NORVIK_TESTING_DIR}/NorvikRunChecked.cmake --
    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:Norvik::NorvikRun> ${ARGN} PARENT_SCOPE)
endfunction()

# --timeout <seconds> when a limit was given, then the caller's own options; those
# that the helpers set themselves are refused.
function(_norvik_run_arguments command seconds options output)
  foreach(option IN LISTS options)
    if(option MATCHES "^--(xml|filter|shard|list)(=|$)")
      message(FATAL_ERROR "${command}: RUN_OPTIONS cannot hold ${option}: the helper sets it")
    endif()
  endforeach()
  if(seconds)
    set(${output} --timeout ${seconds} ${options} PARENT_SCOPE)
  else()
    set(${output} ${options} PARENT_SCOPE)
  endif()
endfunction()

# A DLL of declared tests alone needs an entry point that registers them. It comes from
# a static library, whose one member defines the entry point and the DLL's list of
# declarations: a linker takes the member only when the DLL's declarations need that list
# and nothing else defined it. A DLL with an entry point of its own (NVK_TEST_LIBRARY_ENTRY
# defines the list beside it) keeps its own.
function(_norvik_link_declared_entry target)
  if(NOT TARGET norvik_declared_entry)
    get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
    if(C IN_LIST languages)
      set(source ${CMAKE_BINARY_DIR}/norvik_declared_entry.c)
    else()
      set(source ${CMAKE_BINARY_DIR}/norvik_declared_entry.cpp)
    endif()
    string(CONCAT content "/* The entry point of a test DLL that defines none: it registers the declared tests. */\n"
      "#include \"norvik_test.h\"\n\nNVK_TEST_LIBRARY_ENTRY {}\n")
    file(CONFIGURE OUTPUT ${source} CONTENT "${content}" @ONLY)
    add_library(norvik_declared_entry STATIC ${source})
    target_link_libraries(norvik_declared_entry PRIVATE Norvik::Norvik)
    set_target_properties(norvik_declared_entry PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
  target_link_libraries(${target} PRIVATE norvik_declared_entry)
endfunction()

function(norvik_add_test_dll target)
  cmake_parse_arguments(PARSE_ARGV 1 NORVIK "" "TIMEOUT;SHARDS" "SOURCES;LIBRARIES;RUN_OPTIONS")
  if(NOT NORVIK_SOURCES)
    message(FATAL_ERROR "norvik_add_test_dll(${target}): SOURCES names no source file")
  endif()
  if(NORVIK_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "norvik_add_test_dll(${target}): unknown arguments ${NORVIK_UNPARSED_ARGUMENTS}")
  endif()
  _norvik_require_runner(norvik_add_test_dll)

  # The runner loads the DLL by path; nothing links against it.
  add_library(${target} MODULE ${NORVIK_SOURCES})
  target_link_libraries(${target} PRIVATE Norvik::Norvik ${NORVIK_LIBRARIES})
  set_target_properties(${target} PROPERTIES PREFIX "")
  _norvik_link_declared_entry(${target})

  _norvik_program_path($<TARGET_FILE:${target}> dll)
  _norvik_run_arguments(norvik_add_test_dll "${NORVIK_TIMEOUT}" "${NORVIK_RUN_OPTIONS}" timeout)
  if(NOT NORVIK_SHARDS)
    _norvik_program_path(${CMAKE_CURRENT_BINARY_DIR}/${target}.xml report)
    _norvik_checked_command(command ${timeout} --xml ${report} ${dll})
    add_test(NAME ${target} COMMAND ${command})
    set_tests_properties(${target} PROPERTIES LABELS norvik FAIL_REGULAR_EXPRESSION "${_NORVIK_NOTHING_RAN}"
      SKIP_REGULAR_EXPRESSION "${_NORVIK_ALL_SKIPPED}")
    return()
  endif()
  if(NOT NORVIK_SHARDS MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "norvik_add_test_dll(${target}): SHARDS needs a whole number above 0")
  endif()
  math(EXPR last "${NORVIK_SHARDS} - 1")
  foreach(shard RANGE ${last})
    _norvik_program_path(${CMAKE_CURRENT_BINARY_DIR}/${target}.shard${shard}.xml report)
    _norvik_checked_command(command ${timeout} --shard ${shard}/${NORVIK_SHARDS} --xml ${report} ${dll})
    add_test(NAME ${target}.shard${shard} COMMAND ${command})
    set_tests_properties(${target}.shard${shard} PROPERTIES LABELS norvik
      FAIL_REGULAR_EXPRESSION "${_NORVIK_NOTHING_RAN}" SKIP_REGULAR_EXPRESSION "${_NORVIK_ALL_SKIPPED}")
  endforeach()
endfunction()

function(norvik_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 NORVIK "" "TEST_PREFIX;TIMEOUT" "PROPERTIES;RUN_OPTIONS")
  if(NORVIK_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "norvik_discover_tests(${target}): unknown arguments ${NORVIK_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "norvik_discover_tests(${target}): no such target")
  endif()
  _norvik_require_runner(norvik_discover_tests)

  # Each build writes the tests it lists into a CTest script; CTest includes the
  # one of the configuration it tests. The runner lists them into a JSON file first.
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${target}_norvik)
  get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(multi_config)
    set(tests_file "${base}_tests-$<CONFIG>.cmake")
    set(list_file "${base}_tests-$<CONFIG>.json")
    set(included_file "${base}_tests-\${CTEST_CONFIGURATION_TYPE}.cmake")
  else()
    set(tests_file "${base}_tests.cmake")
    set(list_file "${base}_tests.json")
    set(included_file "${tests_file}")
  endif()

  _norvik_program_path($<TARGET_FILE:${target}> dll)
  _norvik_program_path("${list_file}" runner_list_file)
  _norvik_run_arguments(norvik_discover_tests "${NORVIK_TIMEOUT}" "${NORVIK_RUN_OPTIONS}" timeout)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
      "-DNORVIK_EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
      "-DNORVIK_RUNNER=$<TARGET_FILE:Norvik::NorvikRun>"
      "-DNORVIK_CHECKED_RUN=${_NORVIK_TESTING_DIR}/NorvikRunChecked.cmake"
      "-DNORVIK_TEST_DLL=${dll}"
      "-DNORVIK_RUN_ARGUMENTS=${timeout}"
      "-DNORVIK_TEST_PREFIX=${NORVIK_TEST_PREFIX}"
      "-DNORVIK_PROPERTIES=LABELS;norvik;FAIL_REGULAR_EXPRESSION;${_NORVIK_NOTHING_RAN};SKIP_REGULAR_EXPRESSION;${_NORVIK_ALL_SKIPPED};${NORVIK_PROPERTIES}"
      "-DNORVIK_LIST_FILE=${list_file}"
      "-DNORVIK_RUNNER_LIST_FILE=${runner_list_file}"
      "-DNORVIK_TESTS_FILE=${tests_file}"
      -P ${_NORVIK_TESTING_DIR}/NorvikDiscoverTests.cmake
    BYPRODUCTS "${tests_file}" "${list_file}"
    COMMENT "Listing the tests of ${target}"
    VERBATIM)

  set(include_file ${base}_include.cmake)
  file(WRITE ${include_file}
    "if(EXISTS \"${included_file}\")\n"
    "  include(\"${included_file}\")\n"
    "else()\n"
    "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
