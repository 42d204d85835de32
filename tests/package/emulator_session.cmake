# Starts and ends the session holder of NorvikEmulatorSession.cmake with a stand-in
# emulator (sh) and holder (a script): the holder runs detached, in a session of its own,
# with its standard handles on /dev/null, so it holds no pipe of CTest's open; a second
# start finds it; the end stops it and only it, not a process that took over its
# recorded id; a holder that ends at once does not keep the start waiting; the lifetime
# cap ends a holder that no one ends.
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/holder.sh ": >\"$1\"\nexec sleep 300\n")
file(WRITE ${WORK_DIR}/ends_at_once.sh "exit 77\n")

function(session action dir lifetime)
  execute_process(COMMAND ${CMAKE_COMMAND} -DNORVIK_SESSION_ACTION=${action} -DNORVIK_SESSION_DIR=${dir}
      -DNORVIK_SESSION_READY=${dir}/holder.ready -DNORVIK_SESSION_LIFETIME=${lifetime}
      -P ${SESSION_SCRIPT} -- ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 60)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The session's ${action} failed (${status}):\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

function(holder_pid dir output)
  file(STRINGS ${dir}/holder.pid pid LIMIT_COUNT 1)
  set(${output} ${pid} PARENT_SCOPE)
endfunction()

# Gone, or ended and not yet collected by its parent, which is init.
function(wait_until_gone pid what)
  foreach(attempt RANGE 100)
    if(NOT EXISTS /proc/${pid}/stat)
      return()
    endif()
    file(READ /proc/${pid}/stat stat)
    if(stat MATCHES "^[^)]*[)] Z ")
      return()
    endif()
    execute_process(COMMAND sleep 0.05)
  endforeach()
  message(FATAL_ERROR "${what}")
endfunction()

set(dir ${WORK_DIR}/held)
session(start ${dir} 300 sh ${WORK_DIR}/holder.sh)
holder_pid(${dir} pid)
if(NOT EXISTS ${dir}/holder.ready OR NOT EXISTS /proc/${pid})
  message(FATAL_ERROR "The start returned before the holder ran, or the holder is gone")
endif()
file(READ /proc/${pid}/stat stat)
string(REGEX REPLACE "^.*[)] [A-Za-z] ([0-9]+) ([0-9]+) ([0-9]+) .*$" "\\3" session_id "${stat}")
if(NOT session_id STREQUAL pid)
  message(FATAL_ERROR "The holder ${pid} runs in session ${session_id}, not in one of its own")
endif()
file(GLOB descriptors RELATIVE /proc/${pid}/fd /proc/${pid}/fd/*)
if(NOT descriptors STREQUAL "0;1;2")
  message(FATAL_ERROR "The holder has the descriptors ${descriptors} open, not only 0, 1 and 2")
endif()
foreach(descriptor 0 1 2)
  file(READ_SYMLINK /proc/${pid}/fd/${descriptor} target)
  if(NOT target STREQUAL "/dev/null")
    message(FATAL_ERROR "The holder's descriptor ${descriptor} is ${target}, not /dev/null")
  endif()
endforeach()

session(start ${dir} 300 sh ${WORK_DIR}/holder.sh)
holder_pid(${dir} second_pid)
if(NOT second_pid STREQUAL pid)
  message(FATAL_ERROR "A second start made another holder (${second_pid}) beside ${pid}")
endif()
session(end ${dir} 0)
wait_until_gone(${pid} "The end left the holder ${pid} running")
if(EXISTS ${dir}/holder.pid)
  message(FATAL_ERROR "The end left the holder's id behind")
endif()

# An unrelated process under the recorded id outlives the end.
execute_process(COMMAND setsid -f bash -c [[for fd in /proc/$$/fd/*; do fd=${fd##*/}; if [ "$fd" -gt 2 ]; then eval "exec $fd>&-"; fi; done; echo $$ >"$0" && exec sleep 300]] ${WORK_DIR}/unrelated.pid
  INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
foreach(attempt RANGE 100)
  if(EXISTS ${WORK_DIR}/unrelated.pid)
    break()
  endif()
  execute_process(COMMAND sleep 0.05)
endforeach()
file(STRINGS ${WORK_DIR}/unrelated.pid unrelated LIMIT_COUNT 1)
file(WRITE ${dir}/holder.pid "${unrelated}\n")
session(end ${dir} 0)
if(NOT EXISTS /proc/${unrelated})
  message(FATAL_ERROR "The end stopped the unrelated process ${unrelated}")
endif()
execute_process(COMMAND kill ${unrelated})

string(TIMESTAMP before "%s")
session(start ${WORK_DIR}/ended 300 sh ${WORK_DIR}/ends_at_once.sh)
string(TIMESTAMP after "%s")
math(EXPR waited "${after} - ${before}")
if(waited GREATER 10 OR NOT output MATCHES "ended at its start")
  message(FATAL_ERROR "A holder that ended at once kept the start ${waited} s, saying:\n${output}")
endif()

session(start ${WORK_DIR}/capped 1 sh ${WORK_DIR}/holder.sh)
holder_pid(${WORK_DIR}/capped capped)
execute_process(COMMAND sleep 1.5)
wait_until_gone(${capped} "The holder ${capped} outlived its one-second cap")
