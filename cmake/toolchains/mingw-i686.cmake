# Cross-compiles the 32-bit Windows plug-in with Debian's mingw-w64; tests run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORN_MINGW_TRIPLET i686-w64-mingw32)

set(CMAKE_C_COMPILER ${VORN_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VORN_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${VORN_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${VORN_MINGW_TRIPLET}-dlltool)

# Doubles in SSE registers, as on x64: i686 GCC otherwise computes them on the x87 stack
# with extended precision and the amplitudes drift from the other builds.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_FIND_ROOT_PATH /usr/${VORN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
