# The Pd external alone, built on the machine that runs Pd, with its own compiler and its own
# Pd's m_pd.h: nothing else is looked for (no test or benchmark library, no JSON reader).
#   cmake -S . -B build-pd -DVORN_PD_ONLY=ON [-DPD_INCLUDE_DIR=FOLDER_OF_m_pd.h]
#   cmake --build build-pd --config Release
#   cmake --install build-pd --prefix PD_EXTERNALS_FOLDER      (writes FOLDER/Vorn/)
# Included by the top-level CMakeLists.txt with -DVORN_PD_ONLY=ON (the "pd-native" preset).
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
endif()

# Where each platform's Pd keeps its m_pd.h: Debian's puredata-dev, Pd's macOS app, the
# Windows installer's folder.
file(GLOB vorn_pd_app_sources /Applications/Pd*.app/Contents/Resources/src)
find_path(PD_INCLUDE_DIR m_pd.h REQUIRED
          HINTS /usr/include/pd /usr/local/include/pd ${vorn_pd_app_sources}
                "$ENV{ProgramFiles}/Pd/src" "$ENV{ProgramW6432}/Pd/src")
set(VORN_PD_OUTPUT_DIR "${CMAKE_BINARY_DIR}" CACHE PATH "Where the external and its help patch are written")

# The logic once, for the external and for vorn-docs.
add_library(vorn_pd_logic OBJECT ${VORN_LOGIC_SOURCES})
vorn_use_logic_headers(vorn_pd_logic)
set_target_properties(vorn_pd_logic PROPERTIES POSITION_INDEPENDENT_CODE ON
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

add_library(Vorn MODULE ${VORN_PD_BINDING_SOURCES} $<TARGET_OBJECTS:vorn_pd_logic>)
vorn_use_logic_headers(Vorn)
target_include_directories(Vorn SYSTEM PRIVATE ${PD_INCLUDE_DIR})
# Hidden visibility leaves the entry point Vorn_setup the only export.
set_target_properties(Vorn PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
                      LIBRARY_OUTPUT_DIRECTORY ${VORN_PD_OUTPUT_DIR})
# The names every Pd looks for on its platform; Pd's own functions are found in the pd
# process (Linux, macOS) or in pd.dll (Windows) when it loads the external.
if(WIN32)
  set_target_properties(Vorn PROPERTIES SUFFIX .dll)
  if(NOT CMAKE_DLLTOOL)
    string(REGEX REPLACE "g\\+\\+(\\.exe)?$" "dlltool\\1" CMAKE_DLLTOOL "${CMAKE_CXX_COMPILER}")
  endif()
  include(${PROJECT_SOURCE_DIR}/cmake/pd_import.cmake)
  vorn_link_pd_dll(Vorn)
  # libgcc and libstdc++ linked in: the external needs no DLL of the compiler's beside it.
  target_link_options(Vorn PRIVATE -static)
elseif(APPLE)
  set_target_properties(Vorn PROPERTIES SUFFIX .pd_darwin)
  # The standard library's templates keep default visibility whatever the preset says: the
  # entry point is named as the only export.
  target_link_options(Vorn PRIVATE LINKER:-undefined,dynamic_lookup LINKER:-exported_symbol,_Vorn_setup)
else()
  set_target_properties(Vorn PROPERTIES SUFFIX .pd_linux)
  target_link_options(Vorn PRIVATE -Wl,--unresolved-symbols=ignore-all
                      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/pd_linux_exports.map)
endif()

set(vorn_pd_files $<TARGET_FILE:Vorn> ${PROJECT_SOURCE_DIR}/LICENSE)
# The help patch beside it, made from the interface table by vorn-docs, which runs here.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(vorn-docs ${VORN_DOCS_SOURCES} ${VORN_MAX_BINDING_SOURCES} ${VORN_STANDIN_SOURCES}
                 ${VORN_LAYOUT_CORE_SOURCES} $<TARGET_OBJECTS:vorn_pd_logic>)
  vorn_use_logic_headers(vorn-docs)
  target_include_directories(vorn-docs PRIVATE ${PROJECT_SOURCE_DIR}/tools)
  add_custom_command(OUTPUT ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd
                     COMMAND vorn-docs --pd-help ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd DEPENDS vorn-docs)
  add_custom_target(vorn_pd_help ALL DEPENDS ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd)
  list(APPEND vorn_pd_files ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd)
endif()

# `cmake --install` into FOLDER/Vorn/, the layout Pd finds in any folder of its search path.
install(FILES ${vorn_pd_files} DESTINATION Vorn)
