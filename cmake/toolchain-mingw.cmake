# Shared by the two Windows toolchains; NORVIK_MINGW_TRIPLET names the compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${NORVIK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVIK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVIK_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${NORVIK_MINGW_TRIPLET}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${NORVIK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Self-contained binaries: the GCC runtime, the C++ library and winpthread are
# linked in, so only system DLLs (and our own library) are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Wine runs the tests. Debian's `wine` command starts the 32-bit loader first, which
# fails on hosts that cannot execute 32-bit programs even for 64-bit ones, so each
# build names its own loader; 32-bit programs start in a 32-bit prefix of their own,
# natively or under user-mode emulation. Where 32-bit programs cannot run, a stand-in
# reports every test that needs one as skipped (NORVIK_WINE_UNAVAILABLE says so to
# the tests).
get_filename_component(NORVIK_SCRIPTS_DIR ${CMAKE_CURRENT_LIST_DIR}/../scripts ABSOLUTE)
set(NORVIK_WINE_UNAVAILABLE OFF)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  execute_process(COMMAND bash ${NORVIK_SCRIPTS_DIR}/can_run_32bit.sh RESULT_VARIABLE norvik_can_run_32bit)
  if(norvik_can_run_32bit EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${NORVIK_SCRIPTS_DIR}/win32_loader.sh)
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${NORVIK_SCRIPTS_DIR}/no_32bit_loader.sh)
    set(NORVIK_WINE_UNAVAILABLE ON)
  endif()
endif()
