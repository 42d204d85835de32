# The installed tree and its zip: headers, the DLL with its MinGW and MSVC import
# libraries, the two runners, the documentation, and a relocatable CMake package
# that provides Norvik::Norvik and the CTest helpers.
include(CMakePackageConfigHelpers)

set(NORVIK_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Norvik)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(NORVIK_BITNESS win64)
  set(NORVIK_DLLTOOL_MACHINE i386:x86-64)
else()
  set(NORVIK_BITNESS win32)
  set(NORVIK_DLLTOOL_MACHINE i386)
endif()

# An import library that MSVC's linker accepts, made from the DLL's export list.
# GNU dlltool's 32-bit output lacks the safe-exception-handler marking, so a
# project linking with /SAFESEH would refuse it; llvm-dlltool's carries it.
option(NORVIK_MSVC_IMPORT_LIBRARY "Make an import library for MSVC with llvm-dlltool" ON)
if(NORVIK_MSVC_IMPORT_LIBRARY)
  find_program(NORVIK_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
  if(NOT NORVIK_LLVM_DLLTOOL)
    message(FATAL_ERROR "llvm-dlltool was not found; it makes the MSVC import library ${NORVIK_LIBRARY_NAME}.lib."
      " Install it (Debian: llvm; bash scripts/setup.sh does) or configure with -DNORVIK_MSVC_IMPORT_LIBRARY=OFF.")
  endif()
  set(NORVIK_MSVC_IMPORT_LIBRARY_FILE ${CMAKE_BINARY_DIR}/lib/${NORVIK_LIBRARY_NAME}.lib)
  add_custom_command(OUTPUT ${NORVIK_MSVC_IMPORT_LIBRARY_FILE}
    COMMAND ${NORVIK_LLVM_DLLTOOL} -m ${NORVIK_DLLTOOL_MACHINE} -d ${NORVIK_DEF_FILE}
            -D $<TARGET_FILE_NAME:norvik> -l ${NORVIK_MSVC_IMPORT_LIBRARY_FILE}
    DEPENDS norvik
    COMMENT "Making the MSVC import library ${NORVIK_LIBRARY_NAME}.lib")
  add_custom_target(norvik_msvc_import_library ALL DEPENDS ${NORVIK_MSVC_IMPORT_LIBRARY_FILE})
  install(FILES ${NORVIK_MSVC_IMPORT_LIBRARY_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

install(TARGETS norvik EXPORT NorvikTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/library/include/norvik.h
  ${PROJECT_SOURCE_DIR}/library/include/norvik_test.h
  ${PROJECT_SOURCE_DIR}/library/include/norvik_checks.h
  ${PROJECT_SOURCE_DIR}/library/include/norvik_windows.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS WindowsNorvik NorvikRun EXPORT NorvikTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(EXPORT NorvikTargets NAMESPACE Norvik:: DESTINATION ${NORVIK_PACKAGE_DIR})
set(NORVIK_MSVC_IMPORT_LIBRARY_INSTALLED ${CMAKE_INSTALL_LIBDIR}/${NORVIK_LIBRARY_NAME}.lib)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/NorvikConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/NorvikConfig.cmake INSTALL_DESTINATION ${NORVIK_PACKAGE_DIR}
  PATH_VARS NORVIK_MSVC_IMPORT_LIBRARY_INSTALLED)
# The version file also refuses a consumer of the other bitness.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/NorvikConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_BINARY_DIR}/package/NorvikConfig.cmake
  ${CMAKE_BINARY_DIR}/package/NorvikConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvikTesting.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvikDiscoverTests.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvikRunChecked.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvikEmulatorSession.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvikScriptArguments.cmake
  ${PROJECT_SOURCE_DIR}/cmake/NorvikSessionHolder.c
  DESTINATION ${NORVIK_PACKAGE_DIR})
# The toolchain files that cross-build test DLLs on Linux, for both bitnesses: a tree of
# one bitness is often unpacked beside the other's.
install(FILES
  ${PROJECT_SOURCE_DIR}/cmake/toolchains/mingw64.cmake
  ${PROJECT_SOURCE_DIR}/cmake/toolchains/mingw32.cmake
  DESTINATION ${CMAKE_INSTALL_DATADIR}/Norvik/toolchains)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Norvik)
set(CPACK_PACKAGE_VENDOR Norvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(NORVIK_PACKAGE_FILE_NAME Norvik-${PROJECT_VERSION}-${NORVIK_BITNESS})
set(CPACK_PACKAGE_FILE_NAME ${NORVIK_PACKAGE_FILE_NAME})
include(CPack)

# The zip, built from what it holds alone: CMake's own `package` target builds all of
# the project first, tests and benchmarks too. CPack itself builds nothing here.
set(NORVIK_SHIPPED_TARGETS norvik NorvikRun WindowsNorvik)
if(NORVIK_MSVC_IMPORT_LIBRARY)
  list(APPEND NORVIK_SHIPPED_TARGETS norvik_msvc_import_library)
endif()
add_custom_target(norvik_package
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making ${NORVIK_PACKAGE_FILE_NAME}.zip"
  USES_TERMINAL VERBATIM)
add_dependencies(norvik_package ${NORVIK_SHIPPED_TARGETS})
