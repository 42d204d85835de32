# Runs PROGRAM under GDB, continuing once: it must stop with a breakpoint trap on the
# line of SOURCE marked "stops here", then with the fault on the line marked "then here".
cmake_minimum_required(VERSION 3.20)

file(STRINGS ${SOURCE} lines)
set(number 0)
foreach(line IN LISTS lines)
  math(EXPR number "${number} + 1")
  if(line MATCHES "stops here")
    set(check_line ${number})
  elseif(line MATCHES "then here")
    set(crash_line ${number})
  endif()
endforeach()

execute_process(COMMAND ${GDB} -batch -nx -ex run -ex continue --args ${PROGRAM}
  OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 120)
get_filename_component(name ${SOURCE} NAME)
set(expected "SIGTRAP.*${name}:${check_line}\n.*SIGSEGV.*${name}:${crash_line}\n")
if(NOT output MATCHES "${expected}")
  message(FATAL_ERROR "GDB did not stop at the check (line ${check_line}), then at the crash (line ${crash_line}):\n"
                      "${output}\n${errors}")
endif()
message(STATUS "stopped at ${name}:${check_line}, then at ${name}:${crash_line}")
