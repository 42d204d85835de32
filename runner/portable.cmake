# The runner's code that needs no window: validating test DLLs, reading the command
# line, formatting the window title and the numbers of the runner's look. It builds
# in every build, so the native build tests and fuzzes it too; the Windows builds
# link it into the runner.
if(WIN32)
  set(NORVIK_RUNNER_FILE_LAYER image_file_windows.cpp)
else()
  set(NORVIK_RUNNER_FILE_LAYER image_file_posix.cpp)
endif()
list(TRANSFORM NORVIK_RUNNER_FILE_LAYER PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

add_library(norvik_runner_portable STATIC
  ${CMAKE_CURRENT_LIST_DIR}/argument_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_validation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/look_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_title.cpp
  ${NORVIK_RUNNER_FILE_LAYER})
target_include_directories(norvik_runner_portable PUBLIC ${CMAKE_CURRENT_LIST_DIR})
