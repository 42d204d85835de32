# Runs one NorvikRun command for CTest: cmake -P NorvikRunChecked.cmake -- <command>...
# The test passes only when the command exits with 0 and the runner printed its
# closing "N passed, M failed" line: a test that ends the runner's process with
# exit code 0 must not read as a pass. The line adds ", K skipped", ", J not run" and
# ", F flaky" (with --retry; those are among the passed) when they are not 0; a run
# that left selected tests unrun is no pass either, and neither is one where no test
# ran at all.
#
# A run that is no pass ends with one plain line, "NorvikRun: <why>", as the last
# line of the output. CTest fails the test on that line (the helpers' FAIL_REGULAR_EXPRESSION):
# before CMake 3.29 a script can end with a non-zero exit code only through an error,
# whose block would read like a failed build. From 3.29 on the script also exits with 1.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/NorvikScriptArguments.cmake)
norvik_script_arguments(command)

function(norvik_run_failed why)
  message("NorvikRun: ${why}")
  if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.29)
    cmake_language(EXIT 1)
  endif()
endfunction()

function(norvik_plural count noun output)
  if(count EQUAL 1)
    set(${output} "${count} ${noun}" PARENT_SCOPE)
  else()
    set(${output} "${count} ${noun}s" PARENT_SCOPE)
  endif()
endfunction()

execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors
  ECHO_OUTPUT_VARIABLE ECHO_ERROR_VARIABLE)
string(REPLACE "\r" "" output "${output}")
if(NOT output MATCHES "(^|\n)([0-9]+) passed, ([0-9]+) failed(, ([0-9]+) skipped)?(, ([0-9]+) not run)?(, [0-9]+ flaky)?\n?$")
  norvik_run_failed("ended without its closing line (exit code ${status}): a test may have ended the process")
  return()
endif()
set(passed "${CMAKE_MATCH_2}")
set(failed "${CMAKE_MATCH_3}")
set(skipped "${CMAKE_MATCH_5}")
set(not_run "${CMAKE_MATCH_7}")
if(NOT status EQUAL 0)
  if(failed GREATER 0)
    norvik_plural(${failed} test tests)
    norvik_run_failed("${tests} failed (exit code ${status})")
  else()
    norvik_run_failed("exited with code ${status}")
  endif()
elseif(not_run)
  norvik_run_failed("did not run ${not_run} of the selected tests")
elseif(passed EQUAL 0 AND failed EQUAL 0 AND NOT skipped)
  norvik_run_failed("no test ran")
endif()
