# Starts and ends the program that holds an emulator's session open for a CTest run, so
# that each test's program starts in a session that is already up (under Wine, seconds
# saved per test):
#
#   cmake -DNORVIK_SESSION_ACTION=start -DNORVIK_SESSION_DIR=<folder>
#         -DNORVIK_SESSION_READY=<the holder's ready file, as the holder sees it>
#         -DNORVIK_SESSION_LIFETIME=<seconds> -P NorvikEmulatorSession.cmake -- <emulator>... <holder>
#   cmake -DNORVIK_SESSION_ACTION=end -DNORVIK_SESSION_DIR=<folder> -P NorvikEmulatorSession.cmake
#
# Included, it defines norvik_start_emulator_session and norvik_end_emulator_session.
#
# The holder runs in a session of its own (setsid), with its standard handles on /dev/null
# and no other descriptor it inherited:
# the emulator's helper processes that it starts hold no pipe of CTest's open, which would
# keep CTest waiting for a test long after it ended. `timeout` caps its life, should the
# cleanup never run. The folder keeps its process id; the cleanup ends that process only,
# and only while its command line still names the folder, since process ids are reused.
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/NorvikScriptArguments.cmake)

# The process id of the holder started from <dir>, when it still runs; empty otherwise.
function(_norvik_session_holder dir output)
  set(${output} "" PARENT_SCOPE)
  if(NOT EXISTS "${dir}/holder.pid")
    return()
  endif()
  file(STRINGS "${dir}/holder.pid" pid LIMIT_COUNT 1)
  if(NOT pid MATCHES "^[1-9][0-9]*$" OR NOT EXISTS "/proc/${pid}/cmdline")
    return()
  endif()
  file(STRINGS "/proc/${pid}/cmdline" arguments)
  string(FIND "${arguments}" "${dir}/holder.ready" found)
  if(NOT found EQUAL -1)
    set(${output} ${pid} PARENT_SCOPE)
  endif()
endfunction()

function(_norvik_session_pause)
  execute_process(COMMAND sleep 0.05)
endfunction()

# norvik_start_emulator_session(<dir> <ready file as the holder sees it> <lifetime> <emulator>... <holder>)
# Returns once the holder runs, or it ended, or two minutes passed: a new session boots
# before its first program runs, which can take that long under user-mode emulation.
function(norvik_start_emulator_session dir ready lifetime)
  _norvik_session_holder("${dir}" running)
  if(running)
    return()
  endif()
  file(MAKE_DIRECTORY "${dir}")
  file(REMOVE "${dir}/holder.pid" "${dir}/holder.ready")
  # Descriptors that whoever started CTest left open, other than the standard ones, are
  # closed too: a pipe among them would be held as long as the session.
  execute_process(
    COMMAND setsid -f bash -c [[for fd in /proc/$$/fd/*; do fd=${fd##*/}; if [ "$fd" -gt 2 ]; then eval "exec $fd>&-"; fi; done; echo $$ >"$0" && exec "$@"]]
      "${dir}/holder.pid" timeout --foreground --kill-after=10 ${lifetime} ${ARGN} "${ready}"
    INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message("The emulator's session could not be held (${status}): each test starts one of its own")
    return()
  endif()
  string(TIMESTAMP started "%s")
  math(EXPR deadline "${started} + 120")
  while(NOT EXISTS "${dir}/holder.ready")
    _norvik_session_pause()
    _norvik_session_holder("${dir}" running)
    string(TIMESTAMP now "%s")
    if(EXISTS "${dir}/holder.pid" AND NOT running AND NOT EXISTS "${dir}/holder.ready")
      message("The emulator's session holder ended at its start: each test starts a session of its own")
      return()
    elseif(now GREATER deadline)
      message("The emulator's session holder has not run after two minutes; the tests go on")
      return()
    endif()
  endwhile()
endfunction()

# norvik_end_emulator_session(<dir>): ends the holder that <dir> started, if it still runs.
function(norvik_end_emulator_session dir)
  _norvik_session_holder("${dir}" running)
  if(running)
    execute_process(COMMAND kill -TERM ${running})
    foreach(attempt RANGE 200)
      _norvik_session_holder("${dir}" running)
      if(NOT running)
        break()
      endif()
      _norvik_session_pause()
    endforeach()
  endif()
  file(REMOVE "${dir}/holder.pid" "${dir}/holder.ready")
endfunction()

if(NORVIK_SESSION_ACTION STREQUAL "start")
  norvik_script_arguments(command)
  norvik_start_emulator_session("${NORVIK_SESSION_DIR}" "${NORVIK_SESSION_READY}" "${NORVIK_SESSION_LIFETIME}"
    ${command})
elseif(NORVIK_SESSION_ACTION STREQUAL "end")
  norvik_end_emulator_session("${NORVIK_SESSION_DIR}")
endif()
