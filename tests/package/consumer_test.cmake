# Installs the build, moves the installed tree, builds the consumer project
# against it with the toolchain file the tree carries, which the documentation shows
# as it is, and runs its CTest
# tests: the passing test DLL must pass, the one with a failing test function must
# fail, and so must the one with no test and the one whose test ends the process
# with exit code 0; both shards of the sharded one pass; of the tests discovered one
# per test function only the failing one may fail, and the one whose test DLL needs
# a DLL of the project, copied as the documentation says, passes, as does the one of a
# prebuilt DLL wrapped as an imported target as the documentation shows. A test that skips
# itself is skipped, and a DLL of passes and skips passes. CTest's output must name the
# failure. Each discovered test carries the place of its test as DEF_SOURCE_LINE, and
# every test the skip pattern. A failed run says why in a plain line, not a CMake error;
# a skip's reason shows in ctest -V. One held session of the emulator serves the run,
# and none is left afterwards; the run's time is printed, not checked. Discovery at
# test time lists the tests when CTest starts, not in the build. With TUTORIAL, the
# README's first test DLL and the tutorial are then followed step by step.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/doc_blocks.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/ctest_script.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
run("Installing" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/installed)
# Nothing in the installed tree may depend on where it was installed.
file(RENAME ${WORK_DIR}/installed ${WORK_DIR}/moved)
# The toolchain files of both bitnesses ship in the tree, as the documentation shows them.
foreach(bitness 64 32)
  set(shipped ${WORK_DIR}/moved/share/Norvik/toolchains/mingw${bitness}.cmake)
  norvik_doc_block(${DOCS_DIR}/cmake.md toolchain-win${bitness} ${WORK_DIR}/documented${bitness}.cmake)
  file(READ ${WORK_DIR}/documented${bitness}.cmake documented)
  if(NOT EXISTS ${shipped})
    message(FATAL_ERROR "The installed tree lacks ${shipped}")
  endif()
  file(READ ${shipped} shipped_text)
  if(NOT documented STREQUAL shipped_text)
    message(FATAL_ERROR "docs/cmake.md's toolchain-win${bitness} differs from the shipped ${shipped}")
  endif()
endforeach()
string(REGEX REPLACE "^toolchain-win" "" bitness "${TOOLCHAIN_BLOCK}")
configure_file(${WORK_DIR}/moved/share/Norvik/toolchains/mingw${bitness}.cmake ${WORK_DIR}/toolchain.cmake COPYONLY)
norvik_doc_block(${DOCS_DIR}/cmake.md dependency-copy ${WORK_DIR}/dependency_copy.cmake)
norvik_doc_block(${DOCS_DIR}/cmake.md imported-dll ${WORK_DIR}/imported_dll.cmake)
run("Configuring the prebuilt library" ${CMAKE_COMMAND} -S ${PREBUILT_SOURCE_DIR} -B ${WORK_DIR}/prebuilt_build
  -G ${GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${WORK_DIR}/toolchain.cmake -DCMAKE_BUILD_TYPE=Release)
run("Building the prebuilt library" ${CMAKE_COMMAND} --build ${WORK_DIR}/prebuilt_build)
run("Installing the prebuilt library" ${CMAKE_COMMAND} --install ${WORK_DIR}/prebuilt_build
  --prefix ${WORK_DIR}/prebuilt)
run("Configuring the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_TOOLCHAIN_FILE=${WORK_DIR}/toolchain.cmake -DCMAKE_PREFIX_PATH=${WORK_DIR}/moved
  -DNORVIK_DEPENDENCY_COPY=${WORK_DIR}/dependency_copy.cmake
  -DNORVIK_IMPORTED_DLL=${WORK_DIR}/imported_dll.cmake -DCHECKSUM_ROOT=${WORK_DIR}/prebuilt)
if(NOT CAN_RUN)
  # Discovering tests runs the runner while building, so only the rest is built.
  run("Building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build --target passing_tests failing_tests)
  message("${SKIP_MESSAGE}")
  return()
endif()
run("Building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
if(EXISTS ${WORK_DIR}/build/skipping_tests_norvik_tests.cmake)
  message(FATAL_ERROR "The build listed the tests that CTest is to list when it starts")
endif()

string(TIMESTAMP started "%s")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR}/build --output-on-failure
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(TIMESTAMP ended "%s")
math(EXPR seconds "${ended} - ${started}")
message("${output}\nThe consumer's CTest run took ${seconds} s")
set(expectations
  "passing_tests [.]+ +Passed"
  "failing_tests [.]+\\*\\*\\*Failed"
  "empty_tests [.]+\\*\\*\\*Failed"
  "early_exit_tests [.]+\\*\\*\\*Failed"
  "\nNorvikRun: ended without its closing line [(]exit code 0[)]"
  "\nNorvikRun: 1 test failed [(]exit code 1[)]"
  "norvik_emulator_session_start [.]+ +Passed"
  "norvik_emulator_session_end [.]+ +Passed"
  "isolated_tests [.]+\\*\\*\\*Failed"
  "EndsAndGoesOn.EndsItsProcess: The test process ended during this test: exit code 0x3"
  "\n1 passed, 1 failed\n"
  "sharded_tests[.]shard0 [.]+ +Passed"
  "sharded_tests[.]shard1 [.]+ +Passed"
  "WordCount[.]CountsWordsBetweenBlanks [.]+ +Passed"
  "WordCount[.]CountsHyphenatedWordsAsOne [.]+\\*\\*\\*Failed"
  "WordCount[.]CountsNothingInPunctuation [.]+ +Passed"
  "Greeting[.]GreetsByName [.]+ +Passed"
  "checksum_tests [.]+ +Passed"
  "skipping_tests [.]+ +Passed"
  "Skipping[.]Passes [.]+ +Passed"
  "Skipping[.]SkipsItself [.]+\\*\\*\\*Skipped"
  "word_count_tests[.]c[(][0-9]+[)]: error: WordCount[.]CountsHyphenatedWordsAsOne: Expected integer to be '1' but it was '2'"
  "71% tests passed, 5 tests failed out of 17")
foreach(expected IN LISTS expectations)
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "CTest's output lacks \"${expected}\"")
  endif()
endforeach()
if(status EQUAL 0)
  message(FATAL_ERROR "CTest passed although a test function failed")
endif()
if(output MATCHES "CMake Error")
  message(FATAL_ERROR "A failed test reads like a CMake error")
endif()
if(EXISTS ${WORK_DIR}/build/norvik_emulator_session/holder.pid)
  message(FATAL_ERROR "The emulator's session holder was left running")
endif()
run("Running the skipped test verbosely" ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR}/build -V -R SkipsItself)
if(NOT output MATCHES "skipped: needs a colour printer")
  message(FATAL_ERROR "ctest -V does not show why Skipping.SkipsItself skipped:\n${output}")
endif()
if(NOT EXISTS ${WORK_DIR}/build/failing_tests.xml)
  message(FATAL_ERROR "The run of failing_tests left no XML report")
endif()

# The properties given to norvik_discover_tests reach each discovered test.
run("Listing the discovered tests" ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR}/build -N -L discovered)
# CTest adds the emulator session's fixture to the selection.
if(NOT output MATCHES "Total Tests: 5" OR NOT output MATCHES "norvik_emulator_session_start")
  message(FATAL_ERROR "The label given to the discovered tests does not select exactly those 3:\n${output}")
endif()

# Each discovered test points at the line that declares or adds it.
foreach(target word_count_tests skipping_tests)
  norvik_read_ctest_script(${WORK_DIR}/build/${target}_norvik_tests.cmake discovered)
  if(discovered_COUNT EQUAL 0)
    message(FATAL_ERROR "Discovery registered no test of ${target}")
  endif()
  math(EXPR last "${discovered_COUNT} - 1")
  foreach(index RANGE ${last})
    set(name "${discovered_NAME_${index}}")
    set(place "${discovered_PLACE_${index}}")
    set(file "")
    if(place MATCHES "^(.+):([1-9][0-9]*)$")
      set(file "${CMAKE_MATCH_1}")
      set(line_number ${CMAKE_MATCH_2})
    endif()
    if(file STREQUAL "" OR NOT EXISTS "${file}")
      message(FATAL_ERROR "The test ${name} carries no DEF_SOURCE_LINE of a file: \"${place}\"")
    endif()
    file(READ "${file}" source)
    string(REGEX REPLACE "[][;]" "_" source "${source}")
    string(REPLACE "\n" ";" source "${source}")
    math(EXPR line_index "${line_number} - 1")
    list(GET source ${line_index} line)
    string(REGEX REPLACE "^.*[.]" "" function "${name}")
    if(NOT line MATCHES "[^A-Za-z0-9_]${function}[^A-Za-z0-9_]")
      message(FATAL_ERROR "The test ${name} points at ${place}, which reads: ${line}")
    endif()
  endforeach()
endforeach()
run("Listing the tests as JSON" ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR}/build --show-only=json-v1)
string(JSON count LENGTH "${output}" tests)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  string(JSON properties GET "${output}" tests ${index} properties)
  string(JSON name GET "${output}" tests ${index} name)
  if(NOT properties MATCHES "\"SKIP_REGULAR_EXPRESSION\"" AND NOT name MATCHES "^norvik_emulator_session_")
    message(FATAL_ERROR "The test ${name} has no SKIP_REGULAR_EXPRESSION: ${properties}")
  endif()
endforeach()

if(NOT TUTORIAL)
  return()
endif()
# The README's first test DLL, built and run as it shows.
set(readme ${WORK_DIR}/readme)
foreach(name standard_library_tests.c CMakeLists.txt)
  norvik_doc_block(${README} readme/${name} ${readme}/${name})
endforeach()
run("Configuring the README's test DLL" ${CMAKE_COMMAND} -S ${readme} -B ${readme}/build -G Ninja
  -DCMAKE_TOOLCHAIN_FILE=${WORK_DIR}/toolchain.cmake -DCMAKE_PREFIX_PATH=${WORK_DIR}/moved)
run("Building the README's test DLL" ${CMAKE_COMMAND} --build ${readme}/build)
run("Running the README's test DLL" ${CMAKE_CTEST_COMMAND} --test-dir ${readme}/build -V)
# ctest -V puts the test's number before each line of its output.
if(NOT output MATCHES "\n[0-9]+: 2 passed, 0 failed\r?\n" OR NOT output MATCHES "100% tests passed")
  message(FATAL_ERROR "The README's test DLL did not pass both its tests:\n${output}")
endif()

# The tutorial's files as it shows them, its configure and build, the red run, the
# fix and the green run.
set(tutorial ${WORK_DIR}/tutorial)
foreach(name temperature.h temperature.c temperature_tests.c CMakeLists.txt)
  norvik_doc_block(${DOCS_DIR}/tutorial.md tutorial/${name} ${tutorial}/${name})
endforeach()
run("Configuring the tutorial" ${CMAKE_COMMAND} -S ${tutorial} -B ${tutorial}/build -G Ninja
  -DCMAKE_TOOLCHAIN_FILE=${WORK_DIR}/toolchain.cmake -DCMAKE_PREFIX_PATH=${WORK_DIR}/moved)
run("Building the tutorial" ${CMAKE_COMMAND} --build ${tutorial}/build)
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${tutorial}/build --output-on-failure
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
set(red_run
  "temperature_tests[.]c[(]10[)]: error: Temperature[.]WaterBoilsAtHundred: Expected double to be '100' within a relative tolerance of '1e-09' but it was '0', a relative difference of '1'"
  "temperature_tests[.]c[(]14[)]: error: Temperature[.]ScalesMeetAtMinusForty: Expected double to be '-40' within a relative tolerance of '1e-09' but it was '-0', a relative difference of '1'"
  "\n1 passed, 2 failed\n"
  "67% tests passed, 1 tests failed out of 3")
foreach(expected IN LISTS red_run)
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "The tutorial's first run lacks \"${expected}\"")
  endif()
endforeach()
if(status EQUAL 0 OR NOT EXISTS ${tutorial}/build/temperature_tests.xml)
  message(FATAL_ERROR "The tutorial's first run passed, or left no report")
endif()

file(READ ${tutorial}/temperature.c code)
norvik_doc_block(${DOCS_DIR}/tutorial.md tutorial/fix ${tutorial}/fix.c)
file(READ ${tutorial}/fix.c fix)
string(FIND "${code}" "double FahrenheitToCelsius" start)
string(SUBSTRING "${code}" 0 ${start} code)
file(WRITE ${tutorial}/temperature.c "${code}${fix}")
run("Building the fixed tutorial" ${CMAKE_COMMAND} --build ${tutorial}/build)
run("Running the fixed tutorial" ${CMAKE_CTEST_COMMAND} --test-dir ${tutorial}/build --output-on-failure)
if(NOT output MATCHES "100% tests passed, 0 tests failed out of 3")
  message(FATAL_ERROR "The tutorial's second run is not green:\n${output}")
endif()

# The table it adds then: each of its three rows a test that passes.
norvik_doc_block(${DOCS_DIR}/tutorial.md tutorial/table ${tutorial}/table.c)
file(READ ${tutorial}/table.c table)
file(APPEND ${tutorial}/temperature_tests.c "\n${table}")
run("Building the tutorial's table" ${CMAKE_COMMAND} --build ${tutorial}/build)
run("Running the tutorial's table" ${CMAKE_CTEST_COMMAND} --test-dir ${tutorial}/build -V)
if(NOT output MATCHES "\n[0-9]+: 6 passed, 0 failed\r?\n")
  message(FATAL_ERROR "The tutorial's table did not add three passing tests:\n${output}")
endif()
