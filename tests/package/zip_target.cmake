# The target that makes the zip builds what the zip holds and nothing else: none of
# what it needs comes from the tests or the benchmarks, whose build is most of the
# project's. CMake's own `package` target, for comparison, needs them all.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

run("Listing what norvik_package needs" ${NINJA} -C ${BUILD_DIR} -t inputs norvik_package)
if(output MATCHES "(^|\n)(${SOURCE_DIR}/)?(tests|bench)/[^\n]*")
  string(STRIP "${CMAKE_MATCH_0}" needed)
  message(FATAL_ERROR "norvik_package builds ${needed}")
endif()
# The DLL, the console runner and the window, from their own folders.
foreach(part library console runner)
  if(NOT output MATCHES "(^|\n)${SOURCE_DIR}/${part}/")
    message(FATAL_ERROR "norvik_package builds nothing of ${part}/:\n${output}")
  endif()
endforeach()
