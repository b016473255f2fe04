# The builds for other platforms, cross-compiled with Zig (cmake/toolchains/zig.cmake):
#   macOS: the Max plug-in and the Pd external, one architecture per build (lipo joins them);
#   Linux with glibc: the Pd external (arm64, armv7);
#   Linux with musl: vorn-sim, static, to run the scenarios under an emulator.
# Same sources and compile options as the native build; included by the top-level
# CMakeLists.txt when VORN_ZIG_TARGET is set.
set(VORN_CROSS_OUTPUT_DIR "${PROJECT_SOURCE_DIR}/build/cross/${VORN_ZIG_TARGET}" CACHE PATH
    "Where the binaries of this target are written")

if(VORN_ZIG_TARGET MATCHES "macos")
  # A bundle linked by ld64.lld (cmake/toolchains/zig-macos-bundle.sh), as the hosts' own
  # macOS builds are. The hosts resolve their own functions when they load it, by name.
  set(vorn_host_lookup "SHELL:-undefined dynamic_lookup")
  set(vorn_pd_suffix "")
  set(CMAKE_CXX_CREATE_SHARED_MODULE
      "${PROJECT_SOURCE_DIR}/cmake/toolchains/zig-macos-bundle.sh <CMAKE_CXX_COMPILER> ${vorn_zig_lib} ${VORN_ZIG_TARGET} ${CMAKE_BINARY_DIR}/zig-runtime <TARGET> <LINK_FLAGS> <OBJECTS> <LINK_LIBRARIES>")
elseif(VORN_ZIG_TARGET MATCHES "^(aarch64|arm)-linux-gnu")
  # A shared object may leave names for the loader; Pd's are found in the pd process.
  # Zig links its C++ runtime and unwinder in: the version script keeps their names, and
  # everything but the entry point, out of the table Pd would resolve against.
  set(vorn_host_lookup -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/pd_linux_exports.map)
  # Pd's own names for the two: .l_arm64, and .l_arm on 32-bit ARM.
  if(VORN_ZIG_TARGET MATCHES "^aarch64")
    set(vorn_pd_suffix .l_arm64)
  else()
    set(vorn_pd_suffix .l_arm)
  endif()
endif()

# ENTRY is the one name the plug-in exports (a version script does it on Linux).
function(vorn_cross_plugin target output_name entry)
  vorn_use_logic_headers(${target})
  target_link_options(${target} PRIVATE ${vorn_host_lookup})
  if(VORN_ZIG_TARGET MATCHES "macos")
    target_link_options(${target} PRIVATE "SHELL:-exported_symbol _${entry}")
  endif()
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX "" OUTPUT_NAME ${output_name}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# The logic once for every binary of this target.
add_library(vorn_cross_logic OBJECT ${VORN_LOGIC_SOURCES})
vorn_use_logic_headers(vorn_cross_logic)
set_target_properties(vorn_cross_logic PROPERTIES POSITION_INDEPENDENT_CODE ON
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

if(VORN_ZIG_TARGET MATCHES "musl")
  add_executable(vorn-sim tools/sim/vorn_sim.cpp tools/sim/script_runner.cpp tools/picture/layout_picture.cpp
                 tools/picture/layout_svg.cpp ${VORN_STANDIN_SOURCES} ${VORN_MAX_BINDING_SOURCES}
                 $<TARGET_OBJECTS:vorn_cross_logic>)
  vorn_use_logic_headers(vorn-sim)
  target_include_directories(vorn-sim PRIVATE ${PROJECT_SOURCE_DIR}/tools)
  target_link_options(vorn-sim PRIVATE -static)
  set_target_properties(vorn-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VORN_CROSS_OUTPUT_DIR})
  return()
endif()

if(VORN_ZIG_TARGET MATCHES "macos")
  add_library(vorn_max_plugin MODULE ${VORN_MAX_BINDING_SOURCES} $<TARGET_OBJECTS:vorn_cross_logic>)
  vorn_cross_plugin(vorn_max_plugin Vorn ext_main)
  set_target_properties(vorn_max_plugin PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VORN_CROSS_OUTPUT_DIR}/max)
endif()

find_path(PD_INCLUDE_DIR m_pd.h HINTS /usr/include/pd /usr/local/include/pd NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(vorn_pd_plugin MODULE ${VORN_PD_BINDING_SOURCES} $<TARGET_OBJECTS:vorn_cross_logic>)
vorn_cross_plugin(vorn_pd_plugin Vorn${vorn_pd_suffix} Vorn_setup)
target_include_directories(vorn_pd_plugin SYSTEM PRIVATE ${PD_INCLUDE_DIR})
set_target_properties(vorn_pd_plugin PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VORN_CROSS_OUTPUT_DIR}/pd)

# The test object that drives the external in a real Pd (tests/pd/vorn_probe.cpp), for the
# runs in Debian's Pd of this architecture under qemu; built only when asked for by name.
if(VORN_ZIG_TARGET MATCHES "-linux-gnu")
  add_library(vorn_probe MODULE EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tests/pd/vorn_probe.cpp)
  vorn_cross_plugin(vorn_probe vorn_probe${vorn_pd_suffix} vorn_probe_setup)
  target_link_options(vorn_probe PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/tests/pd/probe_exports.map)
  target_include_directories(vorn_probe PRIVATE ${PROJECT_SOURCE_DIR}/tools)
  target_include_directories(vorn_probe SYSTEM PRIVATE ${PD_INCLUDE_DIR})
  set_target_properties(vorn_probe PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VORN_CROSS_OUTPUT_DIR}/probe)
endif()
