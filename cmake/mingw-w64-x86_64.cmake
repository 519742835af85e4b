# Cross build for 64-bit Windows with Debian's mingw-w64 compilers. The
# programs it makes run here under Wine, which ctest uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLET_MINGW_TRIPLET x86_64-w64-mingw32)

# The "posix" thread model gives std::thread and std::mutex; the "win32" one
# of GCC 12 lacks them.
find_program(CMAKE_C_COMPILER NAMES ${QUILLET_MINGW_TRIPLET}-gcc-posix ${QUILLET_MINGW_TRIPLET}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUILLET_MINGW_TRIPLET}-g++-posix
                                      ${QUILLET_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUILLET_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLET_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the compiler's runtime (libgcc, libstdc++, winpthread) into the
# executables, so that they run anywhere without the mingw DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(QUILLET_WINE NAMES wine wine64)
if(QUILLET_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLET_WINE})
endif()
