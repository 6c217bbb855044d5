# Cross-builds the Windows vastrel.exe on Linux with mingw-w64 (x86-64).
# Debian's g++-mingw-w64-x86-64-posix provides the compilers named here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VASTREL_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${VASTREL_MINGW_PREFIX}-g++-posix ${VASTREL_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VASTREL_MINGW_PREFIX}-gcc-posix ${VASTREL_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${VASTREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VASTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One self-contained executable: no libstdc++, libgcc or winpthread DLLs to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
