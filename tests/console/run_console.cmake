cmake_minimum_required(VERSION 3.20)
# Runs the console runner once, as a CI job would, and checks what it left.
#   PROGRAM, EMULATOR (empty for a native program), WORK_DIR (emptied first)
#   ARGS         arguments, '|'-separated; @WORK@ stands for WORK_DIR, and absolute
#                paths are handed to a Windows program as Windows paths
#   EXIT         the expected exit code
#   STDOUT, NOT_STDOUT, STDERR, NOT_STDERR   '|'-separated regular expressions
#   VALID        '|'-separated files that must be well-formed XML
#   JSON         '|'-separated files that must be valid JSON
#   JUNIT, SCHEMA   a JUnit file that must be valid against the schema
#   CONTAINS     '|'-separated FILE::REGEX pairs
#   SET_ENV      '|'-separated NAME=VALUE for the program's environment
#   COPY         '|'-separated SOURCE::DESTINATION files copied before the run
#   EMULATION_SKIP  why the case cannot be carried out under user-mode emulation, where
#                it is then skipped
#   WINE64_SKIP  why the case cannot be carried out under 64-bit Wine, where it is then
#                skipped
#   REPEAT       how many times the run and its checks are made, for a race to show
#                (1 when empty); the first try that fails ends the test
function(split variable)
  string(REPLACE "@WORK@" "${WORK_DIR}" value "${${variable}}")
  string(REPLACE "|" ";" value "${value}")
  set(${variable} "${value}" PARENT_SCOPE)
endfunction()
foreach(variable ARGS STDOUT NOT_STDOUT STDERR NOT_STDERR VALID JSON JUNIT CONTAINS SET_ENV COPY)
  split(${variable})
endforeach()

# The 32-bit loader runs Wine under emulation where the host has a binfmt entry for it;
# the test counts as skipped on this text (tests/CMakeLists.txt).
if(EMULATION_SKIP AND EMULATOR MATCHES "win32_loader\\.sh$")
  get_filename_component(scripts "${EMULATOR}" DIRECTORY)
  execute_process(COMMAND bash -c "source '${scripts}/wine.sh' && norvik_i386_binfmt_entry"
    RESULT_VARIABLE emulation OUTPUT_QUIET ERROR_QUIET)
  if(emulation EQUAL 0)
    message("skipped under user-mode emulation: ${EMULATION_SKIP}")
    return()
  endif()
endif()

if(WINE64_SKIP AND EMULATOR MATCHES "wine64$")
  message("skipped under 64-bit Wine: ${WINE64_SKIP}")
  return()
endif()

# Under Wine a path in a variable is a Windows path too.
foreach(setting ${SET_ENV})
  if(setting MATCHES "^([^=]+)=(.*)$")
    set(name "${CMAKE_MATCH_1}")
    set(value "${CMAKE_MATCH_2}")
    if(EMULATOR AND value MATCHES "^/")
      string(REPLACE "/" "\\" value "Z:${value}")
    endif()
    set(ENV{${name}} "${value}")
  endif()
endforeach()
# wanted: TRUE when each expression must match the text, FALSE when none may.
function(check_text label text wanted)
  foreach(expression ${ARGN})
    if(text MATCHES "${expression}")
      set(matches TRUE)
    else()
      set(matches FALSE)
    endif()
    if(NOT matches STREQUAL wanted)
      list(APPEND problems "${label} does not match as expected: ${expression}")
    endif()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()
if(NOT REPEAT)
  set(REPEAT 1)
endif()
set(problems)
foreach(try RANGE 1 ${REPEAT})
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  foreach(copy ${COPY})
    string(FIND "${copy}" "::" separator)
    string(SUBSTRING "${copy}" 0 ${separator} source)
    math(EXPR separator "${separator} + 2")
    string(SUBSTRING "${copy}" ${separator} -1 destination)
    file(COPY_FILE "${source}" "${destination}")
  endforeach()
  set(arguments)
  foreach(argument ${ARGS})
    if(EMULATOR AND argument MATCHES "^/")
      string(REPLACE "/" "\\" argument "Z:${argument}")
    endif()
    list(APPEND arguments "${argument}")
  endforeach()

  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${arguments} WORKING_DIRECTORY "${WORK_DIR}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  # The loader's stand-in on a host that cannot run the program says so on stdout;
  # passing it on lets the test count as skipped.
  message("${output}")
  message("stderr: ${errors}")
  # Line ends as a Windows program writes them, and the last one, do not matter here.
  string(REPLACE "\r" "" output "${output}")
  string(STRIP "${output}" output)

  if(NOT status STREQUAL "${EXIT}")
    list(APPEND problems "exit code ${status}, expected ${EXIT}")
  endif()
  check_text(stdout "${output}" TRUE ${STDOUT})
  check_text(stdout "${output}" FALSE ${NOT_STDOUT})
  check_text(stderr "${errors}" TRUE ${STDERR})
  check_text(stderr "${errors}" FALSE ${NOT_STDERR})
  foreach(xml ${VALID} ${JUNIT})
    execute_process(COMMAND xmllint --noout "${xml}" RESULT_VARIABLE lint ERROR_VARIABLE lint_errors)
    if(NOT lint EQUAL 0)
      list(APPEND problems "${xml} is not well-formed: ${lint_errors}")
    endif()
  endforeach()
  foreach(json ${JSON})
    if(EXISTS "${json}")
      file(READ "${json}" content)
      string(JSON type ERROR_VARIABLE json_error TYPE "${content}")
      if(json_error)
        list(APPEND problems "${json} is not valid JSON: ${json_error}")
      endif()
    else()
      list(APPEND problems "${json} was not written")
    endif()
  endforeach()
  if(JUNIT)
    execute_process(COMMAND xmllint --noout --schema "${SCHEMA}" "${JUNIT}" RESULT_VARIABLE lint
      ERROR_VARIABLE lint_errors)
    if(NOT lint EQUAL 0)
      list(APPEND problems "${JUNIT} is not valid JUnit: ${lint_errors}")
    endif()
  endif()
  foreach(check ${CONTAINS})
    string(FIND "${check}" "::" separator)
    string(SUBSTRING "${check}" 0 ${separator} path)
    math(EXPR separator "${separator} + 2")
    string(SUBSTRING "${check}" ${separator} -1 expression)
    if(NOT EXISTS "${path}")
      list(APPEND problems "${path} was not written")
    else()
      file(READ "${path}" content)
      if(NOT content MATCHES "${expression}")
        list(APPEND problems "${path} lacks ${expression}")
      endif()
    endif()
  endforeach()
  if(problems)
    if(REPEAT GREATER 1)
      list(PREPEND problems "try ${try} of ${REPEAT}:")
    endif()
    break()
  endif()
endforeach()
if(problems)
  string(REPLACE ";" "\n" problems "${problems}")
  message(FATAL_ERROR "${problems}")
endif()
