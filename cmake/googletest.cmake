# GoogleTest for the tests and the benchmarks: built from its sources with whichever
# toolchain is in use (Debian's googletest package puts them in /usr/src/googletest),
# or, for a native build without the sources, an installed GoogleTest package.
set(NORVIK_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source folder")
if(NOT TARGET gtest)
  if(EXISTS ${NORVIK_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    set(gtest_disable_pthreads ${WIN32} CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${NORVIK_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    # An installed package holds host binaries, useless to a cross build.
    if(NOT CMAKE_CROSSCOMPILING)
      find_package(GTest CONFIG QUIET)
    endif()
    if(NOT TARGET GTest::gtest_main)
      message(FATAL_ERROR
        "GoogleTest was not found: ${NORVIK_GOOGLETEST_SOURCE_DIR} holds no GoogleTest sources"
        " (a cross build needs them) and no installed GoogleTest package was found. Install Debian's googletest package"
        " (bash scripts/setup.sh does), set NORVIK_GOOGLETEST_SOURCE_DIR to GoogleTest's source folder,"
        " or configure with -DNORVIK_TESTS=OFF -DNORVIK_BENCHMARKS=OFF.")
    endif()
    add_library(gtest INTERFACE)
    target_link_libraries(gtest INTERFACE GTest::gtest)
    add_library(gtest_main INTERFACE)
    target_link_libraries(gtest_main INTERFACE GTest::gtest_main)
  endif()
endif()
