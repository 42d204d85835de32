# Run after each build of a test DLL, or when CTest starts: lists its tests with the
# console runner and writes the CTest script that registers each Batch.Test as a test of
# its own, running only that test, with where the test is written as its DEF_SOURCE_LINE.
# Its NORVIK_ variables come from -D options or from the settings file that
# NORVIK_DISCOVERY_SETTINGS names.
cmake_minimum_required(VERSION 3.20)

if(NORVIK_DISCOVERY_SETTINGS)
  include("${NORVIK_DISCOVERY_SETTINGS}")
endif()

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

# The codes of the control characters, and a bracket expression that matches any of them.
set(norvik_control_codes "")
set(norvik_control_characters "")
foreach(code RANGE 1 31)
  list(APPEND norvik_control_codes ${code})
endforeach()
list(APPEND norvik_control_codes 127)
foreach(code IN LISTS norvik_control_codes)
  string(ASCII ${code} character)
  string(APPEND norvik_control_characters "${character}")
endforeach()

# The name as --list prints it, so that a test keeps the name it had before listings
# were read as JSON: a backslash as \\, a control character as \n, \r, \t or \xHH.
function(norvik_listed_name name output)
  string(REPLACE "\\" "\\\\" name "${name}")
  if(name MATCHES "[${norvik_control_characters}]")
    foreach(code IN LISTS norvik_control_codes)
      string(ASCII ${code} character)
      if(code EQUAL 9)
        set(escape "\\t")
      elseif(code EQUAL 10)
        set(escape "\\n")
      elseif(code EQUAL 13)
        set(escape "\\r")
      else()
        math(EXPR high "${code} / 16")
        math(EXPR low "${code} % 16")
        string(SUBSTRING 0123456789abcdef ${high} 1 high)
        string(SUBSTRING 0123456789abcdef ${low} 1 low)
        set(escape "\\x${high}${low}")
      endif()
      string(REPLACE "${character}" "${escape}" name "${name}")
    endforeach()
  endif()
  set(${output} "${name}" PARENT_SCOPE)
endfunction()

# --filter reads ':' as a separator, everything after the first '-' as exclusions and
# '*' and '?' as globs. '?' stands for each escape of the listed name and each such
# character, so the pattern is one glob that matches the name itself.
function(norvik_filter_pattern listed output)
  string(REGEX REPLACE "\\\\(x[0-9a-fA-F][0-9a-fA-F]|.)" "?" listed "${listed}")
  string(REGEX REPLACE "[-*?:]" "?" listed "${listed}")
  set(${output} "${listed}" PARENT_SCOPE)
endfunction()

# A member of a JSON object, or empty when it has none.
function(norvik_json_member json member output)
  string(JSON value ERROR_VARIABLE missing GET "${json}" ${member})
  if(missing)
    set(value "")
  endif()
  set(${output} "${value}" PARENT_SCOPE)
endfunction()

function(norvik_fail message)
  message(FATAL_ERROR "Listing the tests of ${NORVIK_TEST_DLL} failed: ${message}")
endfunction()

# A hanging test library must not hang the build. A library without tests lists
# nothing and gets no test. What an earlier build listed must not stand in for what
# this one failed to list: CTest then shows the DLL as not built.
file(REMOVE "${NORVIK_TESTS_FILE}" "${NORVIK_LIST_FILE}")
execute_process(
  COMMAND ${NORVIK_EMULATOR} ${NORVIK_RUNNER} --list --allow-empty --json ${NORVIK_RUNNER_LIST_FILE} ${NORVIK_TEST_DLL}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 120)
if(NOT status EQUAL 0)
  norvik_fail("exit code ${status}\n${errors}${output}")
endif()
if(NOT EXISTS "${NORVIK_LIST_FILE}")
  norvik_fail("the runner wrote no ${NORVIK_LIST_FILE}\n${errors}${output}")
endif()
file(READ "${NORVIK_LIST_FILE}" listing)
string(JSON test_count ERROR_VARIABLE error GET "${listing}" tests)
if(error)
  norvik_fail("${NORVIK_LIST_FILE} is no listing of tests: ${error}")
endif()

norvik_bracket_list(command ${CMAKE_COMMAND} -P ${NORVIK_CHECKED_RUN} -- ${NORVIK_EMULATOR} ${NORVIK_RUNNER}
  ${NORVIK_RUN_ARGUMENTS})
norvik_bracket("${NORVIK_TEST_DLL}" dll)
norvik_bracket_list(properties ${NORVIK_PROPERTIES})
# The runner writes each batch's name and each test on a line of their own, and its JSON
# strings hold no line ends, so the listing is read a line at a time: reading each test
# out of the whole document costs time in the square of the tests of a batch. In the
# lines, JSON escapes stand for semicolons and square brackets, which would split or
# join CMake list items, and are read back as the characters.
string(REPLACE ";" "\\u003b" lines "${listing}")
string(REPLACE "[" "\\u005b" lines "${lines}")
string(REPLACE "]" "\\u005d" lines "${lines}")
string(REPLACE "\n" ";" lines "${lines}")
# The script is written in parts: a CMake string copies itself on each append.
file(WRITE "${NORVIK_TESTS_FILE}.part" "")
set(script "")
set(listed_count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^      \"name\": (\".*\"),$")
    string(JSON batch_name GET "{\"name\": ${CMAKE_MATCH_1}}" name)
  elseif(line MATCHES "^        ([{].*[}]),?$")
    set(test "${CMAKE_MATCH_1}")
    string(JSON test_name GET "${test}" name)
    norvik_json_member("${test}" file file)
    norvik_json_member("${test}" line line)
    norvik_listed_name("${batch_name}.${test_name}" listed)
    norvik_bracket("${NORVIK_TEST_PREFIX}${listed}" name)
    norvik_filter_pattern("${listed}" pattern)
    norvik_bracket("${pattern}" pattern)
    set(place "")
    if(NOT file STREQUAL "" AND line GREATER 0)
      norvik_bracket("${file}:${line}" place)
      set(place " DEF_SOURCE_LINE ${place}")
    endif()
    string(APPEND script
      "add_test(${name}${command} --filter ${pattern} ${dll})\n"
      "set_tests_properties(${name} PROPERTIES${place}${properties})\n")
    math(EXPR listed_count "${listed_count} + 1")
    math(EXPR part_full "${listed_count} % 256")
    if(part_full EQUAL 0)
      file(APPEND "${NORVIK_TESTS_FILE}.part" "${script}")
      set(script "")
    endif()
  endif()
endforeach()
if(NOT listed_count EQUAL test_count)
  file(REMOVE "${NORVIK_TESTS_FILE}.part")
  norvik_fail("${NORVIK_LIST_FILE} counts ${test_count} tests, but ${listed_count} were read from its lines")
endif()
file(APPEND "${NORVIK_TESTS_FILE}.part" "${script}")
file(RENAME "${NORVIK_TESTS_FILE}.part" "${NORVIK_TESTS_FILE}")
