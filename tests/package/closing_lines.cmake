# Runs stand-in runner outputs through the checked command under CTest, with the
# patterns the CTest helpers give their tests, and checks the result CTest reports:
# a run whose tests all skipped themselves is skipped, one with passes and skips
# passes, and a skip never hides a failed run, nor a test that was not run. A run that
# fails says why in one plain line, never in a CMake error block.
cmake_minimum_required(VERSION 3.20)

include(${TESTING_SCRIPT})
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
# sh runner.sh <output> <exit code>: prints the output, its \n and \r read as line ends.
file(WRITE ${WORK_DIR}/runner.sh "printf '%b' \"$1\"\nexit $2\n")

# Name, the runner's output, its exit code, CTest's result, and what the output of a
# failed one says, where it matters why it failed.
set(cases
  "passes_and_skips|Running 3 tests\\n2 passed, 0 failed, 1 skipped\\n|0|Passed"
  "all_skipped|Running 2 tests\\n0 passed, 0 failed, 2 skipped\\n|0|Skipped"
  "all_skipped_windows_line_ends|0 passed, 0 failed, 1 skipped\\r\\n|0|Skipped"
  "tens_pass_and_one_skips|10 passed, 0 failed, 1 skipped\\n|0|Passed"
  "nothing_ran|0 passed, 0 failed\\n|0|Failed|NorvikRun: no test ran"
  "skips_and_a_failure|0 passed, 1 failed, 1 skipped\\n|1|Failed"
  "skipped_but_timed_out|0 passed, 0 failed, 1 skipped\\n|3|Failed|NorvikRun: exited with code 3"
  "skipped_then_output_without_closing_line|0 passed, 0 failed, 1 skipped\\nTests.Ends\\n|0|Failed"
  "only_test_not_run|0 passed, 0 failed, 1 not run\\n|0|Failed|NorvikRun: did not run 1 of the selected tests"
  "skipped_and_not_run|0 passed, 0 failed, 2 skipped, 1 not run\\n|0|Failed|NorvikRun: did not run 1 of"
  "passes_and_not_run|3 passed, 0 failed, 12 not run\\n|0|Failed|NorvikRun: did not run 12 of"
  "flaky_tests_pass|3 passed, 0 failed, 1 skipped, 2 flaky\\n|0|Passed"
  "flaky_and_failed|2 passed, 1 failed, 1 not run, 1 flaky\\n|1|Failed|NorvikRun: 1 test failed [(]exit code 1[)]"
  "failures|2 passed, 2 failed\\n|1|Failed|NorvikRun: 2 tests failed [(]exit code 1[)]"
  "failure_and_not_run|5 passed, 1 failed, 1 skipped, 13 not run\\r\\n|1|Failed|NorvikRun: 1 test failed [(]exit code 1[)]"
  "not_run_then_output_without_closing_line|2 passed, 0 failed, 1 not run\\nTests.Ends\\n|0|Failed|NorvikRun: ended without its closing line [(]exit code 0[)]")
set(script "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 output)
  list(GET fields 2 code)
  string(APPEND script
    "add_test(${name} ${CMAKE_COMMAND} -P ${_NORVIK_TESTING_DIR}/NorvikRunChecked.cmake -- "
    "sh ${WORK_DIR}/runner.sh [==[${output}]==] ${code})\n"
    "set_tests_properties(${name} PROPERTIES FAIL_REGULAR_EXPRESSION [==[${_NORVIK_RUN_FAILED}]==] "
    "SKIP_REGULAR_EXPRESSION [==[${_NORVIK_ALL_SKIPPED}]==])\n")
endforeach()
file(WRITE ${WORK_DIR}/CTestTestfile.cmake "${script}")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR} --output-on-failure
  OUTPUT_VARIABLE output ERROR_VARIABLE output)

foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 3 result)
  if(result STREQUAL "Passed")
    set(expected " ${name} [.]+ +Passed")
  else()
    set(expected " ${name} [.]+[*]+${result}")
  endif()
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "CTest did not report ${name} as ${result}:\n${output}")
  endif()
  list(LENGTH fields field_count)
  if(field_count GREATER 4)
    list(GET fields 4 reason)
    if(NOT output MATCHES "${name} [^\n]*\n[^*]*\n${reason}[^\n]*\n")
      message(FATAL_ERROR "CTest's output of ${name} does not say \"${reason}\":\n${output}")
    endif()
  endif()
endforeach()
if(output MATCHES "CMake Error")
  message(FATAL_ERROR "A failed run reads like a CMake error:\n${output}")
endif()
