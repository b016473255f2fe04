# Cross-compiles the 64-bit Windows plug-in with Debian's mingw-w64; tests run under wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VORN_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
