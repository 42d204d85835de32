# Makes the zip with CPack and checks its name and layout: everything sits in
# bin/, include/, lib/ or share/doc/ below one folder named like the zip.
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
set(zip ${WORK_DIR}/${PACKAGE_NAME}.zip)
if(NOT status EQUAL 0 OR NOT EXISTS ${zip})
  message(FATAL_ERROR "CPack did not make ${zip} (${status}):\n${output}")
endif()
execute_process(COMMAND ${UNZIP} -Z1 ${zip} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "unzip could not list ${zip}")
endif()
message("${listing}")

string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" entries "${listing}")
foreach(entry IN LISTS entries)
  if(NOT entry MATCHES "^${PACKAGE_NAME}/((bin|include|lib|share|share/doc)(/.*)?)?$")
    message(FATAL_ERROR "${entry} lies outside the installed layout")
  endif()
endforeach()
foreach(required
    bin/${LIBRARY}.dll bin/WindowsNorvik.exe
    include/norvik.h include/norvik_test.h
    lib/${LIBRARY}.dll.a lib/${LIBRARY}.lib
    lib/cmake/Norvik/NorvikConfig.cmake lib/cmake/Norvik/NorvikConfigVersion.cmake
    lib/cmake/Norvik/NorvikTargets.cmake lib/cmake/Norvik/NorvikTesting.cmake
    lib/cmake/Norvik/NorvikRunTestDll.cmake
    share/doc/Norvik/README.md share/doc/Norvik/tutorial.md)
  if(NOT "${PACKAGE_NAME}/${required}" IN_LIST entries)
    message(FATAL_ERROR "${zip} lacks ${required}")
  endif()
endforeach()
