# Runs the test discovery script with a stand-in runner that lists awkward names,
# and checks through CTest that each becomes a test of that exact name whose
# --filter pattern selects it alone, and that carries where it is written.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/ctest_script.cmake)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
# The runner's JSON listing, laid out as the runner writes it, and the names it stands
# for as the text listing shows them, escapes included, with where each test is written
# when the listing says so.
# The name with ']' comes last: this script's own lists would not split after it.
set(listing [==[{
  "tests": 14,
  "batches": [
    {
      "name": "Plain",
      "tests": [
        {"name": "Test", "file": "/src/plain tests.c", "line": 12},
        {"name": "Second", "file": "/src/plain tests.c", "line": 20}
      ]
    },
    {
      "name": "Two Words",
      "tests": [
        {"name": "With Spaces"}
      ]
    },
    {
      "name": "Empty",
      "tests": []
    },
    {
      "name": "Glob*Batch",
      "tests": [
        {"name": "Test?", "file": "C:\\src\\glob.c", "line": 7}
      ]
    },
    {
      "name": "Colon:Batch",
      "tests": [
        {"name": "-Test", "file": "/src/no_line.c"}
      ]
    },
    {
      "name": "-Leading",
      "tests": [
        {"name": "Dash", "line": 4}
      ]
    },
    {
      "name": "Dash-Batch",
      "tests": [
        {"name": "In-Name"}
      ]
    },
    {
      "name": "Line\nBreak",
      "tests": [
        {"name": "Back\\slash\u001b"}
      ]
    },
    {
      "name": "Tab\tReturn\r",
      "tests": [
        {"name": "Del\u007fStart\u0001"}
      ]
    },
    {
      "name": "Rows",
      "tests": [
        {"name": "Measure/1", "file": "/src/rows.c", "line": 9},
        {"name": "Measure/10", "file": "/src/rows.c", "line": 9}
      ]
    },
    {
      "name": "Gr\u00f6\u00dfe",
      "tests": [
        {"name": "Test"}
      ]
    },
    {
      "name": "Semi;colon",
      "tests": [
        {"name": "Test"}
      ]
    },
    {
      "name": "Bracket]=]Batch",
      "tests": [
        {"name": "Test\"Quote", "file": "/src/]=]odd.c", "line": 3}
      ]
    }
  ]
}
]==])
set(names
  "Plain.Test"
  "Plain.Second"
  "Two Words.With Spaces"
  "Glob*Batch.Test?"
  "Colon:Batch.-Test"
  "-Leading.Dash"
  "Dash-Batch.In-Name"
  "Line\\nBreak.Back\\\\slash\\x1b"
  "Tab\\tReturn\\r.Del\\x7fStart\\x01"
  "Rows.Measure/1"
  "Rows.Measure/10"
  "Größe.Test"
  "Semi\;colon.Test"
  "Bracket]=]Batch.Test\"Quote")
set(places "/src/plain tests.c:12" "/src/plain tests.c:20" "" "C:\\src\\glob.c:7" "" "" "" "" "" "/src/rows.c:9"
  "/src/rows.c:9" "" "" "/src/]=]odd.c:3")
file(WRITE ${WORK_DIR}/listing.json "${listing}")
# Run through an emulator, as Wine would: `sh <runner> --list --allow-empty --json <file> <dll>`
# writes the listing.
file(WRITE ${WORK_DIR}/runner.sh "while [ \"$1\" != --json ]; do shift; done\ncp '${WORK_DIR}/listing.json' \"$2\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DNORVIK_EMULATOR=sh -DNORVIK_RUNNER=${WORK_DIR}/runner.sh
    -DNORVIK_TEST_DLL=${WORK_DIR}/x.dll -DNORVIK_TEST_PREFIX=unit: "-DNORVIK_PROPERTIES=LABELS;odd"
    -DNORVIK_LIST_FILE=${WORK_DIR}/tests.json -DNORVIK_RUNNER_LIST_FILE=${WORK_DIR}/tests.json
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

# The name a listed line stands for: the listing escapes a backslash as \\ and the
# control characters of these names as \n, \t, \r and \xHH.
function(listed_to_name listed output)
  string(ASCII 2 placeholder)
  string(REPLACE "\\\\" "${placeholder}" name "${listed}")
  foreach(escape_and_code "t 9" "n 10" "r 13" "x01 1" "x1b 27" "x7f 127")
    separate_arguments(escape_and_code)
    list(GET escape_and_code 0 escape)
    list(GET escape_and_code 1 code)
    string(ASCII ${code} character)
    string(REPLACE "\\${escape}" "${character}" name "${name}")
  endforeach()
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

norvik_read_ctest_script(${WORK_DIR}/tests.cmake read)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  list(GET names ${index} name)
  list(GET places ${index} place)
  if(NOT read_NAME_${index} STREQUAL "unit:${name}" OR NOT read_PLACE_${index} STREQUAL place)
    message(FATAL_ERROR "\"${name}\" of \"${place}\" became the test \"${read_NAME_${index}}\" "
      "of \"${read_PLACE_${index}}\"")
  endif()
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

# A listing laid out otherwise is refused, never read as fewer tests.
file(WRITE ${WORK_DIR}/listing.json [=[{"tests": 1, "batches": [{"name": "One", "tests": [{"name": "Line"}]}]}]=])
execute_process(COMMAND ${CMAKE_COMMAND} -DNORVIK_EMULATOR=sh -DNORVIK_RUNNER=${WORK_DIR}/runner.sh
    -DNORVIK_TEST_DLL=${WORK_DIR}/x.dll -DNORVIK_LIST_FILE=${WORK_DIR}/tests.json
    -DNORVIK_RUNNER_LIST_FILE=${WORK_DIR}/tests.json -DNORVIK_TESTS_FILE=${WORK_DIR}/tests.cmake
    -DNORVIK_CHECKED_RUN=checked.cmake -P ${DISCOVER_SCRIPT}
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(status EQUAL 0 OR EXISTS ${WORK_DIR}/tests.cmake OR NOT errors MATCHES "but 0 were read")
  message(FATAL_ERROR "A listing of another layout was not refused (${status}): ${errors}")
endif()
