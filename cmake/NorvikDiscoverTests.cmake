# Run after each build of a test DLL: lists its tests with the console runner and
# writes the CTest script that registers each Batch.Test as a test of its own,
# running only that test.
cmake_minimum_required(VERSION 3.20)

# A bracket argument holding text as it is, whatever it contains.
function(norvik_bracket text output)
  set(equals "=")
  while(text MATCHES "]${equals}]")
    string(APPEND equals "=")
  endwhile()
  set(${output} "[${equals}[${text}]${equals}]" PARENT_SCOPE)
endfunction()

function(norvik_bracket_list output)
  set(quoted "")
  foreach(item IN LISTS ARGN)
    norvik_bracket("${item}" item)
    string(APPEND quoted " ${item}")
  endforeach()
  set(${output} "${quoted}" PARENT_SCOPE)
endfunction()

# The listing prints a name's control characters and backslashes as escapes (\n,
# \t, \r, \xHH, \\), and --filter reads ':' as a separator, everything after the
# first '-' as exclusions and '*' and '?' as globs. '?' stands for each such
# escape and character, so the pattern is one glob that matches the name itself;
# the test keeps the listed, readable name.
function(norvik_filter_pattern name output)
  string(REGEX REPLACE "\\\\(x[0-9a-fA-F][0-9a-fA-F]|.)" "?" name "${name}")
  string(REGEX REPLACE "[-*?:]" "?" name "${name}")
  set(${output} "${name}" PARENT_SCOPE)
endfunction()

# A hanging test library must not hang the build. A library without tests lists
# nothing and gets no test.
execute_process(COMMAND ${NORVIK_EMULATOR} ${NORVIK_RUNNER} --list --allow-empty ${NORVIK_TEST_DLL}
  RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE errors TIMEOUT 120)
if(NOT status EQUAL 0)
  file(REMOVE "${NORVIK_TESTS_FILE}")
  message(FATAL_ERROR "Listing the tests of ${NORVIK_TEST_DLL} failed (${status}):\n${errors}${listing}")
endif()

norvik_bracket_list(command ${CMAKE_COMMAND} -P ${NORVIK_CHECKED_RUN} -- ${NORVIK_EMULATOR} ${NORVIK_RUNNER}
  ${NORVIK_RUN_ARGUMENTS})
norvik_bracket("${NORVIK_TEST_DLL}" dll)
norvik_bracket_list(properties ${NORVIK_PROPERTIES})
set(script "")
# One name a line. The names stay out of CMake lists, which split neither at an
# escaped semicolon nor after an unmatched ']'.
string(REPLACE "\r" "" listing "${listing}")
while(NOT listing STREQUAL "")
  string(FIND "${listing}" "\n" end)
  if(end EQUAL -1)
    set(name "${listing}")
    set(listing "")
  else()
    string(SUBSTRING "${listing}" 0 ${end} name)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${listing}" ${end} -1 listing)
  endif()
  if(name STREQUAL "")
    continue()
  endif()
  norvik_bracket("${NORVIK_TEST_PREFIX}${name}" test)
  norvik_filter_pattern("${name}" pattern)
  norvik_bracket("${pattern}" pattern)
  string(APPEND script
    "add_test(${test}${command} --filter ${pattern} ${dll})\n"
    "set_tests_properties(${test} PROPERTIES${properties})\n")
endwhile()
file(WRITE "${NORVIK_TESTS_FILE}" "${script}")
