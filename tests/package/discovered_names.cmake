# Runs the test discovery script with a stand-in runner that lists awkward names,
# and checks through CTest that each becomes a test of that exact name whose
# --filter pattern selects it alone.
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
# The names as the runner lists them, escapes included. The name with ']' comes
# last: this script's own lists would not split after it.
set(names
  "Plain.Test"
  "Two Words.With Spaces"
  "Glob*Batch.Test?"
  "Colon:Batch.-Test"
  "-Leading.Dash"
  "Dash-Batch.In-Name"
  "Line\\nBreak.Back\\\\slash\\x1b"
  "Semi\;colon.Test"
  "Bracket]=]Batch.Test\"Quote")
list(JOIN names "\n" listing)
file(WRITE ${WORK_DIR}/listing.txt "${listing}\r\n")
# Run through an emulator, as Wine would: `sh <runner> --list <dll>` prints the listing.
file(WRITE ${WORK_DIR}/runner.sh "cat '${WORK_DIR}/listing.txt'\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DNORVIK_EMULATOR=sh -DNORVIK_RUNNER=${WORK_DIR}/runner.sh
    -DNORVIK_TEST_DLL=${WORK_DIR}/x.dll -DNORVIK_TEST_PREFIX=unit: "-DNORVIK_PROPERTIES=LABELS;odd"
    -DNORVIK_TESTS_FILE=${WORK_DIR}/tests.cmake -DNORVIK_CHECKED_RUN=checked.cmake -P ${DISCOVER_SCRIPT}
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Discovery failed: ${errors}")
endif()
file(WRITE ${WORK_DIR}/CTestTestfile.cmake "include(tests.cmake)\n")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR} --show-only=json-v1
  OUTPUT_VARIABLE json RESULT_VARIABLE status)
string(JSON count LENGTH "${json}" tests)
list(LENGTH names expected_count)
if(NOT status EQUAL 0 OR NOT count EQUAL expected_count)
  message(FATAL_ERROR "Expected ${expected_count} tests, CTest shows:\n${json}")
endif()

# The name a listed line stands for: the listing escapes a line end, ESC and a
# backslash as \n, \x1b and \\.
function(listed_to_name listed output)
  string(ASCII 1 placeholder)
  string(ASCII 27 escape)
  string(REPLACE "\\\\" "${placeholder}" name "${listed}")
  string(REPLACE "\\n" "\n" name "${name}")
  string(REPLACE "\\x1b" "${escape}" name "${name}")
  string(REPLACE "${placeholder}" "\\" name "${name}")
  set(${output} "${name}" PARENT_SCOPE)
endfunction()
set(real_names)
foreach(listed IN LISTS names)
  listed_to_name("${listed}" name)
  string(REPLACE ";" "\\;" name "${name}")
  list(APPEND real_names "${name}")
endforeach()

# The console runner's glob: '?' matches one character, '*' any run, ':' separates
# patterns, everything after the first '-' excludes.
function(glob_to_regex pattern output)
  string(REGEX REPLACE "([][.+^$()|\\\\])" "\\\\\\1" pattern "${pattern}")
  string(REPLACE "?" "." pattern "${pattern}")
  string(REPLACE "*" ".*" pattern "${pattern}")
  set(${output} "^${pattern}$" PARENT_SCOPE)
endfunction()

math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  list(GET names ${index} name)
  list(GET real_names ${index} real_name)
  string(JSON test GET "${json}" tests ${index} name)
  # cmake -P checked.cmake -- sh runner.sh --filter PATTERN x.dll
  string(JSON filter GET "${json}" tests ${index} command 7)
  string(JSON label GET "${json}" tests ${index} properties 0 value 0)
  if(NOT test STREQUAL "unit:${name}" OR NOT label STREQUAL "odd")
    message(FATAL_ERROR "\"${name}\" became the test \"${test}\" labelled \"${label}\"")
  endif()
  if(filter MATCHES "[-:*]")
    message(FATAL_ERROR "The pattern \"${filter}\" for \"${name}\" would not be read as one name")
  endif()
  glob_to_regex("${filter}" regex)
  foreach(other IN LISTS real_names)
    if(other MATCHES "${regex}" AND NOT other STREQUAL real_name)
      message(FATAL_ERROR "The pattern \"${filter}\" for \"${name}\" also selects \"${other}\"")
    elseif(other STREQUAL real_name AND NOT other MATCHES "${regex}")
      message(FATAL_ERROR "The pattern \"${filter}\" does not select \"${name}\"")
    endif()
  endforeach()
endforeach()
