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
#                       [PROPERTIES <name> <value>...] [DISCOVERY_MODE POST_BUILD|PRE_TEST])
#   Lists the tests of the test DLL <target> and registers one CTest test per
#   Batch.Test, named <prefix>Batch.Test, that runs only that test, with the property
#   DEF_SOURCE_LINE <file>:<line> where the test is known to be. POST_BUILD (the
#   default) lists them after each build of <target>; PRE_TEST when CTest starts, and
#   only when the DLL changed since it last listed them.
#
# A test fails when NorvikRun exits with a code other than 0 (a test failed or
# crashed, the DLL could not be loaded, a test ran longer than TIMEOUT), when no
# test ran, when a selected test was not run, or when NorvikRun ended without its
# closing line (a test ended the process). It is skipped when every test it ran
# skipped itself. Programs run through CMAKE_CROSSCOMPILING_EMULATOR when one is set;
# on a Linux host, the tests then share one session of the emulator that a CTest
# fixture holds open for the run, unless NORVIK_HOLD_EMULATOR_SESSION is OFF.
# NORVIK_EMULATOR_SESSION_LIFETIME caps that session's life in seconds (3600).
include_guard(GLOBAL)
set(_NORVIK_TESTING_DIR ${CMAKE_CURRENT_LIST_DIR})

# The checked command's last line when the run is no pass (NorvikRunChecked.cmake).
set(_NORVIK_RUN_FAILED "(^|[^ -~])NorvikRun: [ -~]*[^ -~]*$")
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

# The CTest properties of every test the helpers make.
function(_norvik_test_properties output)
  set(properties LABELS norvik FAIL_REGULAR_EXPRESSION "${_NORVIK_RUN_FAILED}"
    SKIP_REGULAR_EXPRESSION "${_NORVIK_ALL_SKIPPED}")
  _norvik_emulator_session(fixture)
  if(fixture)
    list(APPEND properties FIXTURES_REQUIRED ${fixture})
  endif()
  set(${output} "${properties}" PARENT_SCOPE)
endfunction()

# Under an emulator, on a Linux host, one session of it is held open for the whole CTest
# run: each test's runner then starts in a session that is up, instead of starting one
# and waiting for its end. Gives the name of the CTest fixture that holds it, or nothing;
# the first call makes the holding program and the fixture's two tests.
function(_norvik_emulator_session output)
  set(${output} "" PARENT_SCOPE)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR OR NOT CMAKE_HOST_UNIX OR
     (DEFINED NORVIK_HOLD_EMULATOR_SESSION AND NOT NORVIK_HOLD_EMULATOR_SESSION))
    return()
  endif()
  find_program(_NORVIK_SETSID_PROGRAM setsid)
  find_program(_NORVIK_TIMEOUT_PROGRAM timeout)
  find_program(_NORVIK_BASH_PROGRAM bash)
  if(NOT _NORVIK_SETSID_PROGRAM OR NOT _NORVIK_TIMEOUT_PROGRAM OR NOT _NORVIK_BASH_PROGRAM)
    return()
  endif()
  set(${output} norvik_emulator_session PARENT_SCOPE)
  get_property(made GLOBAL PROPERTY _NORVIK_EMULATOR_SESSION_MADE)
  if(made)
    return()
  endif()
  set_property(GLOBAL PROPERTY _NORVIK_EMULATOR_SESSION_MADE TRUE)

  set(source ${_NORVIK_TESTING_DIR}/NorvikSessionHolder.c)
  add_executable(norvik_session_holder ${source})
  get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if(NOT C IN_LIST languages)
    set_source_files_properties(${source} PROPERTIES LANGUAGE CXX)
  endif()
  set(lifetime 3600)
  if(NORVIK_EMULATOR_SESSION_LIFETIME)
    set(lifetime ${NORVIK_EMULATOR_SESSION_LIFETIME})
  endif()
  set(dir ${CMAKE_BINARY_DIR}/norvik_emulator_session)
  _norvik_program_path(${dir}/holder.ready ready)
  set(start_command ${CMAKE_COMMAND} -DNORVIK_SESSION_ACTION=start -DNORVIK_SESSION_DIR=${dir}
    -DNORVIK_SESSION_READY=${ready} -DNORVIK_SESSION_LIFETIME=${lifetime}
    -P ${_NORVIK_TESTING_DIR}/NorvikEmulatorSession.cmake -- ${CMAKE_CROSSCOMPILING_EMULATOR}
    $<TARGET_FILE:norvik_session_holder>)
  set_property(GLOBAL PROPERTY _NORVIK_EMULATOR_SESSION_START "${start_command}")
  add_test(NAME norvik_emulator_session_start COMMAND ${start_command})
  add_test(NAME norvik_emulator_session_end COMMAND ${CMAKE_COMMAND} -DNORVIK_SESSION_ACTION=end
    -DNORVIK_SESSION_DIR=${dir} -P ${_NORVIK_TESTING_DIR}/NorvikEmulatorSession.cmake)
  set_tests_properties(norvik_emulator_session_start PROPERTIES FIXTURES_SETUP norvik_emulator_session
    LABELS norvik TIMEOUT 180)
  set_tests_properties(norvik_emulator_session_end PROPERTIES FIXTURES_CLEANUP norvik_emulator_session
    LABELS norvik TIMEOUT 60)
endfunction()

# --verbose, which puts each skip's reason into CTest's output, unless the caller asked
# for --quiet; --timeout <seconds> when a limit was given; then the caller's own options.
# Those that the helpers set themselves are refused.
function(_norvik_run_arguments command seconds options output)
  set(arguments --verbose)
  foreach(option IN LISTS options)
    if(option MATCHES "^--(xml|filter|shard|list)(=|$)")
      message(FATAL_ERROR "${command}: RUN_OPTIONS cannot hold ${option}: the helper sets it")
    elseif(option MATCHES "^(--quiet|-q|--verbose|-v)$")
      set(arguments "")
    endif()
  endforeach()
  if(seconds)
    list(APPEND arguments --timeout ${seconds})
  endif()
  set(${output} ${arguments} ${options} PARENT_SCOPE)
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
  _norvik_test_properties(properties)
  if(NOT NORVIK_SHARDS)
    _norvik_program_path(${CMAKE_CURRENT_BINARY_DIR}/${target}.xml report)
    _norvik_checked_command(command ${timeout} --xml ${report} ${dll})
    add_test(NAME ${target} COMMAND ${command})
    set_tests_properties(${target} PROPERTIES ${properties})
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
    set_tests_properties(${target}.shard${shard} PROPERTIES ${properties})
  endforeach()
endfunction()

# Text as a bracket argument, whatever it holds; a list as bracket arguments, one each.
function(_norvik_bracket output)
  set(quoted "")
  foreach(item IN LISTS ARGN)
    set(equals "=")
    while(item MATCHES "]${equals}]")
      string(APPEND equals "=")
    endwhile()
    string(APPEND quoted " [${equals}[${item}]${equals}]")
  endforeach()
  set(${output} "${quoted}" PARENT_SCOPE)
endfunction()

function(norvik_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 NORVIK "" "TEST_PREFIX;TIMEOUT;DISCOVERY_MODE" "PROPERTIES;RUN_OPTIONS")
  if(NORVIK_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "norvik_discover_tests(${target}): unknown arguments ${NORVIK_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "norvik_discover_tests(${target}): no such target")
  endif()
  if(NOT NORVIK_DISCOVERY_MODE)
    set(NORVIK_DISCOVERY_MODE POST_BUILD)
  endif()
  if(NOT NORVIK_DISCOVERY_MODE MATCHES "^(POST_BUILD|PRE_TEST)$")
    message(FATAL_ERROR "norvik_discover_tests(${target}): DISCOVERY_MODE is POST_BUILD or PRE_TEST, not ${NORVIK_DISCOVERY_MODE}")
  endif()
  _norvik_require_runner(norvik_discover_tests)

  # Each listing writes the tests it found into a CTest script; CTest includes the
  # one of the configuration it tests. The runner lists them into a JSON file first.
  # What the listing needs is written into a settings file of each configuration.
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${target}_norvik)
  get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(multi_config)
    set(config_suffix "-$<CONFIG>")
    set(ctest_config_suffix "-\${CTEST_CONFIGURATION_TYPE}")
  else()
    set(config_suffix "")
    set(ctest_config_suffix "")
  endif()
  set(tests_file "${base}_tests${config_suffix}.cmake")
  set(list_file "${base}_tests${config_suffix}.json")
  set(settings_file "${base}_discovery${config_suffix}.cmake")

  _norvik_program_path($<TARGET_FILE:${target}> dll)
  _norvik_program_path("${list_file}" runner_list_file)
  _norvik_run_arguments(norvik_discover_tests "${NORVIK_TIMEOUT}" "${NORVIK_RUN_OPTIONS}" timeout)
  _norvik_test_properties(properties)
  set(settings "# What listing the tests of ${target} needs (NorvikDiscoverTests.cmake).\n")
  foreach(setting
      "EMULATOR|${CMAKE_CROSSCOMPILING_EMULATOR}"
      "RUNNER|$<TARGET_FILE:Norvik::NorvikRun>"
      "CHECKED_RUN|${_NORVIK_TESTING_DIR}/NorvikRunChecked.cmake"
      "TEST_DLL|${dll}"
      "RUN_ARGUMENTS|${timeout}"
      "TEST_PREFIX|${NORVIK_TEST_PREFIX}"
      "PROPERTIES|${properties};${NORVIK_PROPERTIES}"
      "LIST_FILE|${list_file}"
      "RUNNER_LIST_FILE|${runner_list_file}"
      "TESTS_FILE|${tests_file}")
    string(FIND "${setting}" "|" bar)
    string(SUBSTRING "${setting}" 0 ${bar} name)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${setting}" ${bar} -1 value)
    _norvik_bracket(value ${value})
    string(APPEND settings "set(NORVIK_${name}${value})\n")
  endforeach()
  file(GENERATE OUTPUT "${settings_file}" CONTENT "${settings}")
  set(discover_command ${CMAKE_COMMAND} "-DNORVIK_DISCOVERY_SETTINGS=${settings_file}"
    -P ${_NORVIK_TESTING_DIR}/NorvikDiscoverTests.cmake)

  set(include_file ${base}_include.cmake)
  set(included_tests_file "${base}_tests${ctest_config_suffix}.cmake")
  if(NORVIK_DISCOVERY_MODE STREQUAL "POST_BUILD")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${discover_command}
      BYPRODUCTS "${tests_file}" "${list_file}"
      COMMENT "Listing the tests of ${target}"
      VERBATIM)
    set(pre_test "")
  else()
    # CTest reads this before it runs any test, and before any fixture: a session of the
    # emulator started here for the listing is the one the fixture then finds running.
    _norvik_bracket(tests_quoted "${tests_file}")
    _norvik_bracket(dll_quoted "$<TARGET_FILE:${target}>")
    _norvik_bracket(command_quoted ${discover_command})
    string(CONCAT listing
      "# Lists the tests of ${target} when CTest starts and the DLL changed since they were listed.\n"
      "if(EXISTS${dll_quoted} AND (NOT EXISTS${tests_quoted} OR${dll_quoted} IS_NEWER_THAN${tests_quoted}))\n")
    _norvik_emulator_session(fixture)
    if(fixture)
      get_property(session_start GLOBAL PROPERTY _NORVIK_EMULATOR_SESSION_START)
      _norvik_bracket(holder_quoted "$<TARGET_FILE:norvik_session_holder>")
      _norvik_bracket(start_quoted ${session_start})
      string(APPEND listing "  if(EXISTS${holder_quoted})\n    execute_process(COMMAND${start_quoted})\n  endif()\n")
    endif()
    string(APPEND listing
      "  execute_process(COMMAND${command_quoted} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)\n"
      "  if(NOT status EQUAL 0)\n    message(\"\${output}\")\n  endif()\n"
      "endif()\n")
    file(GENERATE OUTPUT "${base}_pre_test${config_suffix}.cmake" CONTENT "${listing}")
    set(pre_test "include(\"${base}_pre_test${ctest_config_suffix}.cmake\")\n")
  endif()

  file(WRITE ${include_file}
    "${pre_test}"
    "if(EXISTS \"${included_tests_file}\")\n"
    "  include(\"${included_tests_file}\")\n"
    "else()\n"
    "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
