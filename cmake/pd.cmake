# The Pd external build/pd/Vorn.pd_linux, and the test-only object that drives it in a real
# Pd. Included by the top-level CMakeLists.txt with -DVORN_PD=ON (the "pd" preset). Not
# sanitized: a real Pd loads it, and Pd itself carries no sanitizer runtime.
find_path(PD_INCLUDE_DIR m_pd.h HINTS /usr/include/pd /usr/local/include/pd REQUIRED)
set(VORN_PD_OUTPUT_DIR "${PROJECT_SOURCE_DIR}/build/pd" CACHE PATH "Where Vorn.pd_linux is written")

function(vorn_pd_module target)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".pd_linux"
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${target} SYSTEM PRIVATE ${PD_INCLUDE_DIR})
  # Pd's symbols are resolved by the pd process that loads the module.
  target_link_options(${target} PRIVATE -Wl,--unresolved-symbols=ignore-all)
endfunction()

add_library(Vorn MODULE ${VORN_PD_BINDING_SOURCES})
vorn_use_logic_headers(Vorn)
target_link_libraries(Vorn PRIVATE vorn_logic)
vorn_pd_module(Vorn)
# The standard library's templates keep default visibility whatever the preset says.
target_link_options(Vorn PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/pd_linux_exports.map)
set_target_properties(Vorn PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VORN_PD_OUTPUT_DIR})

# Its help patch beside it, made from the interface table.
add_custom_command(OUTPUT ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd
                   COMMAND vorn-docs --pd-help ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd DEPENDS vorn-docs)
# Every example as a Pd patch in examples/ beside it, where Pd users look for them.
file(GLOB VORN_EXAMPLE_SCRIPTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.vorn)
set(VORN_PD_EXAMPLES "")
foreach(script ${VORN_EXAMPLE_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  set(patch ${VORN_PD_OUTPUT_DIR}/examples/Vorn-${name}.pd)
  add_custom_command(OUTPUT ${patch}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${VORN_PD_OUTPUT_DIR}/examples
                     COMMAND vorn-docs --example ${script} ${patch} DEPENDS vorn-docs ${script})
  list(APPEND VORN_PD_EXAMPLES ${patch})
endforeach()
add_custom_target(vorn_pd_help ALL DEPENDS ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd ${VORN_PD_EXAMPLES})

enable_testing()
include(${PROJECT_SOURCE_DIR}/tests/pd/pd_tests.cmake)
