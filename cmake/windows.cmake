# The Windows build, cross-compiled with mingw-w64 (see cmake/toolchains): the plug-in
# Vorn.mxe64 / Vorn.mxe, the stand-in host as MaxAPI.dll, and vorn-sim.exe that loads the
# plug-in at run time. Included by the top-level CMakeLists.txt when targeting Windows.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VORN_WINDOWS_ARCH x64)
  set(VORN_PLUGIN_SUFFIX .mxe64)
else()
  set(VORN_WINDOWS_ARCH x86)
  set(VORN_PLUGIN_SUFFIX .mxe)
endif()
set(VORN_WINDOWS_OUTPUT_DIR "${PROJECT_SOURCE_DIR}/build/windows/${VORN_WINDOWS_ARCH}"
    CACHE PATH "Where Vorn${VORN_PLUGIN_SUFFIX}, MaxAPI.dll and vorn-sim.exe are written")

if(NOT CMAKE_DLLTOOL)
  string(REGEX REPLACE "g\\+\\+$" "dlltool" CMAKE_DLLTOOL "${CMAKE_CXX_COMPILER}")
endif()

# libgcc, libstdc++ and winpthread linked in: besides MaxAPI.dll, only system DLLs.
add_link_options(-static)

# The import library of the host functions: the SDK's where its folder has one (only the
# 64-bit SDK ships one nowadays), else one made from our own list of the host functions.
set(vorn_max_def ${PROJECT_SOURCE_DIR}/cmake/MaxAPI.def)
set(vorn_sdk_import "")
if(MAX_SDK_DIR)
  if(VORN_WINDOWS_ARCH STREQUAL "x64")
    set(vorn_sdk_import ${MAX_SDK_DIR}/max-includes/x64/MaxAPI.lib)
  else()
    set(vorn_sdk_import ${MAX_SDK_DIR}/max-includes/MaxAPI.lib)
  endif()
endif()
if(vorn_sdk_import AND EXISTS ${vorn_sdk_import})
  set(vorn_max_import ${vorn_sdk_import})
  add_custom_target(vorn_max_import)
else()
  set(vorn_max_import ${CMAKE_CURRENT_BINARY_DIR}/libMaxAPI.a)
  add_custom_command(OUTPUT ${vorn_max_import}
                     COMMAND ${CMAKE_DLLTOOL} -d ${vorn_max_def} -l ${vorn_max_import}
                     DEPENDS ${vorn_max_def}
                     COMMENT "Making the MaxAPI.dll import library")
  add_custom_target(vorn_max_import DEPENDS ${vorn_max_import})
endif()

# The logic once for both externals of this width.
add_library(vorn_windows_logic OBJECT ${VORN_LOGIC_SOURCES})
vorn_use_logic_headers(vorn_windows_logic)

# The plug-in exports ext_main alone (the only symbol marked for export).
add_library(Vorn MODULE ${VORN_MAX_BINDING_SOURCES} $<TARGET_OBJECTS:vorn_windows_logic>)
vorn_use_max_api(Vorn)
add_dependencies(Vorn vorn_max_import)
target_link_libraries(Vorn PRIVATE ${vorn_max_import})
set_target_properties(Vorn PROPERTIES
  PREFIX "" SUFFIX ${VORN_PLUGIN_SUFFIX}
  LIBRARY_OUTPUT_DIRECTORY ${VORN_WINDOWS_OUTPUT_DIR}
  LINK_DEPENDS ${vorn_max_import})

# The stand-in host exports the host functions under the same names, and the driver calls
# that vorn-sim.exe uses.
set(vorn_standin_def ${CMAKE_CURRENT_BINARY_DIR}/MaxAPI-standin.def)
file(READ ${vorn_max_def} vorn_def_text)
string(APPEND vorn_def_text
  "standin_set_sink\nstandin_set_record_fill\nstandin_create\nstandin_destroy\nstandin_send\nstandin_assist\nstandin_format_atom\n")
file(CONFIGURE OUTPUT ${vorn_standin_def} CONTENT "${vorn_def_text}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vorn_max_def})

add_library(MaxAPI SHARED ${VORN_STANDIN_SOURCES} ${vorn_standin_def})
vorn_use_logic_headers(MaxAPI)
set_target_properties(MaxAPI PROPERTIES
  PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${VORN_WINDOWS_OUTPUT_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

add_executable(vorn-sim tools/sim/vorn_sim_windows.cpp tools/sim/script_runner.cpp)
target_include_directories(vorn-sim PRIVATE ${PROJECT_SOURCE_DIR}/tools)
vorn_use_logic_headers(vorn-sim)
target_link_libraries(vorn-sim PRIVATE MaxAPI)
set_target_properties(vorn-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VORN_WINDOWS_OUTPUT_DIR})

# Pd's external for 64-bit Windows, Vorn.m_amd64 (the name Pd 0.51 and later look for there):
# Pd's functions come from pd.dll, through an import library made from cmake/pd.def.
if(VORN_WINDOWS_ARCH STREQUAL "x64")
  find_path(PD_INCLUDE_DIR m_pd.h HINTS /usr/include/pd NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_library(VornPd MODULE ${VORN_PD_BINDING_SOURCES} $<TARGET_OBJECTS:vorn_windows_logic>)
  vorn_use_logic_headers(VornPd)
  target_include_directories(VornPd SYSTEM PRIVATE ${PD_INCLUDE_DIR})
  include(${PROJECT_SOURCE_DIR}/cmake/pd_import.cmake)
  vorn_link_pd_dll(VornPd)
  set_target_properties(VornPd PROPERTIES
    PREFIX "" OUTPUT_NAME Vorn SUFFIX .m_amd64
    LIBRARY_OUTPUT_DIRECTORY ${VORN_WINDOWS_OUTPUT_DIR})

  # A stand-in pd.dll and its driver vorn-pd-sim.exe, to run scenarios through the external
  # under wine (tests/windows/pd_standin.cpp), at pd-standin/ beside the external.
  add_library(PdStandin SHARED tests/windows/pd_standin.cpp)
  target_include_directories(PdStandin PRIVATE ${PROJECT_SOURCE_DIR}/tools)
  target_include_directories(PdStandin SYSTEM PRIVATE ${PD_INCLUDE_DIR})
  set_target_properties(PdStandin PROPERTIES PREFIX "" OUTPUT_NAME pd
    RUNTIME_OUTPUT_DIRECTORY ${VORN_WINDOWS_OUTPUT_DIR}/pd-standin
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/pd-standin)
  add_executable(vorn-pd-sim tests/windows/vorn_pd_sim.cpp)
  target_link_libraries(vorn-pd-sim PRIVATE PdStandin)
  set_target_properties(vorn-pd-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VORN_WINDOWS_OUTPUT_DIR}/pd-standin)
endif()
