# Cross-compiles the 32-bit Windows plug-in with Debian's mingw-w64; tests run under wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORN_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Doubles in SSE registers, as on x64: i686 GCC otherwise computes them on the x87 stack
# with extended precision and the amplitudes drift from the other builds.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
