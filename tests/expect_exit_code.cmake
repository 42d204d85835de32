cmake_minimum_required(VERSION 3.20)
# Runs PROGRAM (through EMULATOR when given) and checks its exit status.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_QUIET)
if(NOT status STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "${PROGRAM} exited with ${status}, expected ${EXPECTED}\n${output}")
endif()
