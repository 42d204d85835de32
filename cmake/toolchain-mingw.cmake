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
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
