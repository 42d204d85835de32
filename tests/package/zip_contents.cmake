# Makes the zip with CPack and checks its name and layout: everything sits in
# bin/, include/, lib/ or share/doc/ below one folder named like the zip.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
set(zip ${WORK_DIR}/${PACKAGE_NAME}.zip)
run("Making ${zip}" ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
run("Listing ${zip}" ${UNZIP} -Z1 ${zip})
set(listing "${output}")
message("${listing}")

string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" entries "${listing}")
foreach(entry IN LISTS entries)
  if(NOT entry MATCHES "^${PACKAGE_NAME}/((bin|include|lib|share|share/doc)(/.*)?)?$")
    message(FATAL_ERROR "${entry} lies outside the installed layout")
  endif()
endforeach()
foreach(required
    bin/${LIBRARY}.dll bin/WindowsNorvik.exe bin/NorvikRun.exe
    include/norvik.h include/norvik_test.h include/norvik_checks.h include/norvik_windows.h
    lib/${LIBRARY}.dll.a lib/${LIBRARY}.lib
    lib/cmake/Norvik/NorvikConfig.cmake lib/cmake/Norvik/NorvikConfigVersion.cmake
    lib/cmake/Norvik/NorvikTargets.cmake lib/cmake/Norvik/NorvikTesting.cmake
    lib/cmake/Norvik/NorvikDiscoverTests.cmake lib/cmake/Norvik/NorvikRunChecked.cmake
    lib/cmake/Norvik/NorvikEmulatorSession.cmake lib/cmake/Norvik/NorvikScriptArguments.cmake
    lib/cmake/Norvik/NorvikSessionHolder.c
    share/Norvik/toolchains/mingw64.cmake share/Norvik/toolchains/mingw32.cmake
    share/doc/Norvik/README.md share/doc/Norvik/tutorial.md)
  if(NOT "${PACKAGE_NAME}/${required}" IN_LIST entries)
    message(FATAL_ERROR "${zip} lacks ${required}")
  endif()
endforeach()
