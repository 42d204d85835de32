# The runner's code that needs no window: validating and loading test libraries,
# reading the command line, formatting the window title, the window's rules (row
# order, tree item keys, result texts and images, progress, command offers, layout)
# and the numbers of its look. It builds in every build, so the native build tests
# and fuzzes it too; the Windows builds link it into the runner, and every build into
# the console runner. The crash guard that protects the entry point of a test library
# is the library's own source, built in here.
if(WIN32)
  set(NORVIK_RUNNER_PLATFORM image_file_windows.cpp library_module_windows.cpp)
  set(NORVIK_RUNNER_CRASH_GUARD crash_guard_windows.cpp)
else()
  set(NORVIK_RUNNER_PLATFORM image_file_posix.cpp library_module_posix.cpp)
  set(NORVIK_RUNNER_CRASH_GUARD crash_guard_posix.cpp)
endif()
list(TRANSFORM NORVIK_RUNNER_PLATFORM PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

add_library(norvik_runner_portable STATIC
  ${CMAKE_CURRENT_LIST_DIR}/argument_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_validation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/look_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_order.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_results.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tree_item_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_title.cpp
  ${PROJECT_SOURCE_DIR}/library/${NORVIK_RUNNER_CRASH_GUARD}
  ${NORVIK_RUNNER_PLATFORM})
target_include_directories(norvik_runner_portable PUBLIC ${CMAKE_CURRENT_LIST_DIR}
  PRIVATE ${PROJECT_SOURCE_DIR}/library)
target_link_libraries(norvik_runner_portable PUBLIC norvik ${CMAKE_DL_LIBS})
