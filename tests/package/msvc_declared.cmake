# Builds a DLL of declared tests as an MSVC project would: clang-cl compiles its C and
# C++ sources with MSVC's rules and lld-link links them against the MSVC import library.
# This machine has no MSVC runtime: the C runtime's headers are Wine's, which follow
# MSVC's, its DLLs Wine's own, reached through import libraries made here for the few
# functions the DLL calls, and msvc_startup.c stands in for the runtime's startup object.
# Then the console runner runs the DLL, where Windows programs can run.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

if(NOT EXISTS ${WINE_INCLUDE}/msvcrt/stdio.h OR NOT EXISTS ${WINE_INCLUDE}/windows/windows.h)
  message("skipped, missing package: no C runtime headers for MSVC's rules in ${WINE_INCLUDE} (Debian: libwine-dev)")
  return()
endif()

get_filename_component(dll ${IMPORT_LIBRARY} NAME_WE)
if(dll STREQUAL "Norvik32")
  set(target i686-pc-windows-msvc)
  set(machine i386)
  set(flags /machine:x86 /safeseh)
  # 32-bit Windows functions are named with the size of their arguments.
  set(kernel32_functions FormatMessageA@28 GetCurrentProcess@0 GetLastError@0)
else()
  set(target x86_64-pc-windows-msvc)
  set(machine i386:x86-64)
  set(flags /machine:x64)
  set(kernel32_functions FormatMessageA GetCurrentProcess GetLastError)
endif()
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

set(objects)
foreach(source ${SOURCES})
  get_filename_component(name ${source} NAME)
  run("Compiling ${name} with MSVC's rules" ${CLANG_CL} --target=${target} /nologo /c /W4 /WX /O2 /GS- /Zl
    -I${INCLUDE_DIR} -imsvc ${WINE_INCLUDE}/msvcrt -imsvc ${WINE_INCLUDE}/windows /Fo${WORK_DIR}/${name}.obj
    -- ${source})
  list(APPEND objects ${WORK_DIR}/${name}.obj)
endforeach()

# Every check of the headers, Windows' included, compiles with MSVC's rules in C as well.
run("Compiling every check with MSVC's rules" ${CLANG_CL} --target=${target} /nologo /c /W4 /WX /O2 /GS- /Zl
  -DHEADER_CHECK_NAME=HeaderCheck_msvc -I${INCLUDE_DIR} -imsvc ${WINE_INCLUDE}/msvcrt -imsvc ${WINE_INCLUDE}/windows
  /Fo${WORK_DIR}/header_check.obj -- ${HEADER_CHECK})

function(import_library library)
  list(JOIN ARGN "\n" exports)
  file(WRITE ${WORK_DIR}/${library}.def "LIBRARY ${library}.dll\nEXPORTS\n${exports}\n")
  run("Making ${library}.lib" ${DLLTOOL} -m ${machine} -k -d ${WORK_DIR}/${library}.def -l ${WORK_DIR}/${library}.lib)
endfunction()
import_library(kernel32 ${kernel32_functions})
import_library(ucrtbase __stdio_common_vsprintf)

set(built ${WORK_DIR}/msvc_declared_tests.dll)
run("Linking" ${LLD_LINK} /nologo /dll ${flags} /entry:_DllMainCRTStartup /subsystem:windows /nodefaultlib
  /out:${built} ${objects} ${IMPORT_LIBRARY} ${WORK_DIR}/kernel32.lib ${WORK_DIR}/ucrtbase.lib)
run("Reading the tables" ${OBJDUMP} -p ${built})
foreach(expected "DLL Name: ${dll}.dll" "] NvkLibraryCreateBatches")
  string(FIND "${output}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "The DLL lacks \"${expected}\" in its tables:\n${output}")
  endif()
endforeach()

if(NOT CAN_RUN)
  message("${SKIP_MESSAGE}")
  return()
endif()
# The runner finds Norvik's DLL beside itself; the test DLL is named from its folder, which
# spares a Windows program the host's path. The skipping test passes in the count until the
# runner counts skips of their own.
execute_process(COMMAND ${EMULATOR} ${RUNNER} msvc_declared_tests.dll WORKING_DIRECTORY ${WORK_DIR}
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status TIMEOUT 300)
set(expected "Running 8 tests from .*msvc_declared_tests.c\\(20\\): error: MsvcC.CheckFails: Expected string to be \"\\[e\\]xpected\" .*\n[67] passed, 1 failed")
if(NOT output MATCHES "${expected}")
  message(FATAL_ERROR "The runner did not run the declared tests as expected (exit status ${status}):\n${output}\n${errors}")
endif()
message(STATUS "The runner ran the DLL's declared tests:\n${output}")
