# Cross build of the shipped Quillet.exe: 32-bit x86 Windows, with Debian's
# mingw-w64 compilers of the "win32" thread model. That model keeps
# winpthreads out of the program (winpthreads imports functions that Windows
# XP lacks); it has no std::thread or std::mutex, so nothing built here may use
# them. The programs it makes run here under Wine, which ctest uses as the
# emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(QUILLET_MINGW_TRIPLET i686-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${QUILLET_MINGW_TRIPLET}-gcc-win32 REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUILLET_MINGW_TRIPLET}-g++-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUILLET_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLET_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Windows headers declare only what Windows XP (NT 5.1) has, so a call to
# anything newer fails to compile instead of failing to start on XP. Newer
# functions, where wanted, are looked up at run time with a fallback.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501 -D_WIN32_IE=0x0600")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501 -D_WIN32_IE=0x0600")
set(CMAKE_RC_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501 -D_WIN32_IE=0x0600")

# Small: only the functions and data that are used end up in the program.
string(APPEND CMAKE_C_FLAGS_INIT " -ffunction-sections -fdata-sections")
string(APPEND CMAKE_CXX_FLAGS_INIT " -ffunction-sections -fdata-sections")

# The compiler's runtime (libgcc, libstdc++) is linked in, so the programs need
# no DLL beyond the system's. Release builds drop their symbols.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

find_program(QUILLET_WINE NAMES wine)
if(QUILLET_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLET_WINE})
endif()
