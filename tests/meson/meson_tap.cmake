# Sets up the Meson project beside this script in WORK_DIR and runs its tests: Meson
# starts the console runner RUNNER (through EMULATOR, when given) with --tap - and
# reads the stream with its own TAP reader. Checks, in the JUnit log Meson writes,
# the passes, failures and skips it counted, that the test never reached is a skip
# that says so, and that nothing on the runner's standard output was other than TAP.
cmake_minimum_required(VERSION 3.20)

find_program(MESON meson)
if(NOT MESON)
  message("skipped, missing package: meson is not installed (scripts/setup.sh installs it)")
  return()
endif()

# The option arrives with the console's wiring of the report; until then there is
# nothing for Meson to read.
execute_process(COMMAND ${EMULATOR} ${RUNNER} --help OUTPUT_VARIABLE usage ERROR_VARIABLE usage)
if(NOT usage MATCHES "--tap")
  message("skipped: this runner has no --tap option")
  return()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${MESON} setup ${WORK_DIR} ${SOURCE_DIR} -Drunner=${RUNNER} "-Demulator=${EMULATOR}"
    -Dskipping_library=${SKIPPING_LIBRARY} -Dsample_library=${SAMPLE_LIBRARY}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "meson setup failed (${status}):\n${output}")
endif()
# Both tests fail (a test of each library fails): Meson's exit code says only that.
execute_process(COMMAND ${MESON} test -C ${WORK_DIR} --no-rebuild --print-errorlogs
  OUTPUT_VARIABLE output ERROR_VARIABLE output)
set(log ${WORK_DIR}/meson-logs/testlog.junit.xml)
if(NOT EXISTS ${log})
  message(FATAL_ERROR "meson test wrote no ${log}:\n${output}")
endif()
file(READ ${log} junit)

# What Meson counted, and the tests whose lines say most.
set(expected
  "<testsuite name=\"norvik-tap.skips\" tests=\"8\" errors=\"0\" failures=\"1\" skipped=\"4\""
  "<testcase name=\"3 - Skips.NeedsAPrinter\"[^>]*><skipped /><system-out>no printer on \"this host\"</system-out>"
  "<testcase name=\"4 - Skips.FailsThenSkips\"[^>]*><failure />"
  "<testsuite name=\"norvik-tap.fail-fast\" tests=\"7\" errors=\"0\" failures=\"1\" skipped=\"1\""
  "<testcase name=\"6 - RingBufferLimits.FullBufferDropsOldestValue\"[^>]*><failure />"
  "<testcase name=\"7 - RingBufferLimits.PushToMissingBuffer\"[^>]*><skipped /><system-out>not run: ")
foreach(pattern IN LISTS expected)
  if(NOT junit MATCHES "${pattern}")
    message(FATAL_ERROR "Meson's log lacks ${pattern}\n${output}\n${junit}")
  endif()
endforeach()
# The console's own lines went to standard error: the runner's standard output held the
# stream alone, from its version line to its plan, and Meson found no line it could not read.
foreach(plan 8 7)
  if(NOT junit MATCHES "<system-out>TAP version 14\n([^<]*\n)?1\\.\\.${plan}</system-out>")
    message(FATAL_ERROR "The runner's standard output was not the TAP stream alone (1..${plan}):\n${junit}")
  endif()
endforeach()
if(output MATCHES "UNKNOWN|TAP parsing error" OR junit MATCHES "TAP parsing error")
  message(FATAL_ERROR "Meson could not read every line of the stream:\n${output}\n${junit}")
endif()
message("Meson read both streams: ${WORK_DIR}/meson-logs/testlog.txt")
