# Runs one test DLL in the runner's command-line mode and fails unless every test
# function in it ran and passed. The runner's exit code only says whether it
# wrote the report, so the verdict comes from the report itself.
cmake_minimum_required(VERSION 3.20)

# Under an emulator (Wine) the programs see host paths through drive Z:.
function(norvik_program_path path output)
  if(NORVIK_EMULATOR AND path MATCHES "^/")
    set(path "Z:${path}")
  endif()
  set(${output} "${path}" PARENT_SCOPE)
endfunction()

function(norvik_unescape text output)
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

file(REMOVE "${NORVIK_REPORT}")
norvik_program_path("${NORVIK_TEST_DLL}" dll)
norvik_program_path("${NORVIK_REPORT}" report)
execute_process(COMMAND ${NORVIK_EMULATOR} "${NORVIK_RUNNER}" "${dll}" "${report}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status STREQUAL "0" OR NOT EXISTS "${NORVIK_REPORT}")
  message(FATAL_ERROR "The runner could not run ${NORVIK_TEST_DLL} (exit code ${status}): it is not a test DLL"
    " of the runner's bitness, a DLL it needs is missing, or the report could not be written.\n${output}")
endif()

file(READ "${NORVIK_REPORT}" xml)
if(NOT xml MATCHES "<Summary>.*<Tested>([0-9]+)</Tested>.*<Passed>([0-9]+)</Passed>.*<Failed>([0-9]+)</Failed>.*<Skipped>([0-9]+)</Skipped>")
  message(FATAL_ERROR "No test function ran in ${NORVIK_TEST_DLL}.")
endif()
# The overall summary comes first, so the first match of each count is its own.
string(REGEX MATCH "<Tested>([0-9]+)</Tested>" _ "${xml}")
set(tested ${CMAKE_MATCH_1})
string(REGEX MATCH "<Failed>([0-9]+)</Failed>" _ "${xml}")
set(failed ${CMAKE_MATCH_1})

# One report element per line: walk them, naming each failure Batch.Test.
# Semicolons would split CMake's list; the report never holds byte 1.
string(ASCII 1 semicolon)
string(REPLACE ";" "${semicolon}" xml "${xml}")
string(REGEX REPLACE "\r?\n" ";" lines "${xml}")
set(batch "")
set(function "")
set(file "")
foreach(line IN LISTS lines)
  string(REPLACE "${semicolon}" ";" line "${line}")
  if(line MATCHES "^            <Name>(.*)</Name>$")
    set(batch "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^                    <Name>(.*)</Name>$")
    set(function "${CMAKE_MATCH_1}")
    set(file "")
  elseif(line MATCHES "<FileName>(.*)</FileName>")
    set(file "${CMAKE_MATCH_1}")
  elseif(line MATCHES "<Result>(.*)</Result>")
    norvik_unescape("${CMAKE_MATCH_1}: ${batch}.${function}" text)
    message("${text}")
  elseif(line MATCHES "<Message>(.*)</Message>")
    set(failure "${CMAKE_MATCH_1}")
  elseif(line MATCHES "<LineNumber>(.*)</LineNumber>")
    norvik_unescape("${file}(${CMAKE_MATCH_1}): ${failure}" text)
    message("    ${text}")
  endif()
endforeach()

if(NOT failed STREQUAL "0")
  message(FATAL_ERROR "${failed} of ${tested} test functions failed in ${NORVIK_TEST_DLL}.")
endif()
message("All ${tested} test functions passed.")
