# Links a program compiled for MSVC against the MSVC import library with lld-link,
# with /SAFESEH in the 32-bit build, and checks which DLL and names it imports.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

get_filename_component(dll ${IMPORT_LIBRARY} NAME_WE)
if(dll STREQUAL "Norvik32")
  set(target i686-pc-windows-msvc)
  set(flags /machine:x86 /safeseh)
else()
  set(target x86_64-pc-windows-msvc)
  set(flags /machine:x64)
endif()
file(MAKE_DIRECTORY ${WORK_DIR})
run("Compiling for MSVC" ${CLANG} --target=${target} -c ${SOURCE} -o ${WORK_DIR}/user.obj)
run("Linking" ${LLD_LINK} ${flags} /entry:start /subsystem:console /nodefaultlib
  /out:${WORK_DIR}/user.exe ${WORK_DIR}/user.obj ${IMPORT_LIBRARY})
run("Reading the imports" ${OBJDUMP} -p ${WORK_DIR}/user.exe)
foreach(expected "DLL Name: ${dll}.dll" " NvkAppName" " NvkBatchRun")
  string(FIND "${output}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "The linked program lacks \"${expected}\" in its imports:\n${output}")
  endif()
endforeach()
