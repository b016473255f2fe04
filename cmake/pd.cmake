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
set_target_properties(Vorn PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${VORN_PD_OUTPUT_DIR})

# Its help patch beside it, made from the interface table.
add_custom_command(OUTPUT ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd
                   COMMAND vorn-docs --pd-help ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd DEPENDS vorn-docs)
add_custom_target(vorn_pd_help ALL DEPENDS ${VORN_PD_OUTPUT_DIR}/Vorn-help.pd)

enable_testing()
include(${PROJECT_SOURCE_DIR}/tests/pd/pd_tests.cmake)
