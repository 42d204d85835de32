# Runs one NorvikRun command for CTest: cmake -P NorvikRunChecked.cmake -- <command>...
# The test passes only when the command exits with 0 and the runner printed its
# closing "N passed, M failed" line: a test that ends the runner's process with
# exit code 0 must not read as a pass.
cmake_minimum_required(VERSION 3.20)

set(command)
set(collect FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(index RANGE ${last})
  if(collect)
    list(APPEND command "${CMAKE_ARGV${index}}")
  elseif(CMAKE_ARGV${index} STREQUAL "--")
    set(collect TRUE)
  endif()
endforeach()

execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors
  ECHO_OUTPUT_VARIABLE ECHO_ERROR_VARIABLE)
string(REPLACE "\r" "" output "${output}")
if(NOT output MATCHES "(^|\n)[0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?(, [0-9]+ not run)?\n?$")
  message(FATAL_ERROR "NorvikRun ended without its closing line (exit code ${status}): "
    "a test may have ended the process")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "NorvikRun exited with ${status}")
endif()
