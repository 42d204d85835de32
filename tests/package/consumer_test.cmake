# Installs the build, moves the installed tree, builds the consumer project
# against it and runs its CTest tests: the passing test DLL must pass, the one
# with a failing test function must fail, and so must the one with no test and the
# one whose test ends the process with exit code 0; both shards of the sharded one
# pass; of the tests discovered one per test function only the failing one may
# fail. CTest's output must name the failure.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
run("Installing" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/installed)
# Nothing in the installed tree may depend on where it was installed.
file(RENAME ${WORK_DIR}/installed ${WORK_DIR}/moved)
run("Configuring the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_PREFIX_PATH=${WORK_DIR}/moved)
if(NOT CAN_RUN)
  # Discovering tests runs the runner while building, so only the rest is built.
  run("Building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build --target passing_tests failing_tests)
  message("${SKIP_MESSAGE}")
  return()
endif()
run("Building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)

execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR}/build --output-on-failure
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
set(expectations
  "passing_tests [.]+ +Passed"
  "failing_tests [.]+\\*\\*\\*Failed"
  "empty_tests [.]+\\*\\*\\*Failed"
  "early_exit_tests [.]+\\*\\*\\*Failed"
  "ended without its closing line"
  "sharded_tests[.]shard0 [.]+ +Passed"
  "sharded_tests[.]shard1 [.]+ +Passed"
  "WordCount[.]CountsWordsBetweenBlanks [.]+ +Passed"
  "WordCount[.]CountsHyphenatedWordsAsOne [.]+\\*\\*\\*Failed"
  "WordCount[.]CountsNothingInPunctuation [.]+ +Passed"
  "word_count_tests[.]c[(][0-9]+[)]: error: WordCount[.]CountsHyphenatedWordsAsOne: Expected integer to be '1' but it was '2'"
  "56% tests passed, 4 tests failed out of 9")
foreach(expected IN LISTS expectations)
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "CTest's output lacks \"${expected}\"")
  endif()
endforeach()
if(status EQUAL 0)
  message(FATAL_ERROR "CTest passed although a test function failed")
endif()
if(NOT EXISTS ${WORK_DIR}/build/failing_tests.xml)
  message(FATAL_ERROR "The run of failing_tests left no XML report")
endif()

# The properties given to norvik_discover_tests reach each discovered test.
run("Listing the discovered tests" ${CMAKE_CTEST_COMMAND} --test-dir ${WORK_DIR}/build -N -L discovered)
if(NOT output MATCHES "Total Tests: 3")
  message(FATAL_ERROR "The label given to the discovered tests does not select exactly those 3:\n${output}")
endif()
