# Tests in a real Pd (the "pd" preset): every transcript scenario through the Pd build,
# compared with the native transcript, and the help patch opened in Pd. `make pd` installs
# Pd's header alone, so without a pd program these are left out (`make test` installs it, and
# its test preset fails when it finds no test).
find_program(PD_PROGRAM pd)
if(NOT PD_PROGRAM)
  message(STATUS "No pd program: the external is built, its tests in Pd are left out")
  return()
endif()
add_library(vorn_probe MODULE ${PROJECT_SOURCE_DIR}/tests/pd/vorn_probe.cpp)
vorn_pd_module(vorn_probe)
target_include_directories(vorn_probe PRIVATE ${PROJECT_SOURCE_DIR}/tools)
set_target_properties(vorn_probe PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/probe)

add_executable(compare_transcripts ${PROJECT_SOURCE_DIR}/tools/sim/compare_transcripts.cpp)
add_dependencies(vorn_probe Vorn vorn-sim compare_transcripts)

file(GLOB VORN_PD_SCENARIOS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/scenarios/*.vorn)
foreach(script ${VORN_PD_SCENARIOS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME pd.scenario.${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/pd/run_pd_scenario.sh $<TARGET_FILE:compare_transcripts>
                   $<TARGET_FILE:vorn-sim> ${VORN_PD_OUTPUT_DIR} ${CMAKE_BINARY_DIR}/probe ${script})
  set_tests_properties(pd.scenario.${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 90)
endforeach()

add_test(NAME pd.help_patch
         COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/docs/open_pd_help.py $<TARGET_FILE:vorn-docs>
                 ${VORN_PD_OUTPUT_DIR}/Vorn.pd_linux)
set_tests_properties(pd.help_patch PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

# Where users put it: `make install-pd` into a fresh home, and `make deken`'s package.
foreach(mode install deken)
  add_test(NAME pd.${mode}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/pd/check_packaging.sh ${mode} ${VORN_PD_OUTPUT_DIR})
  set_tests_properties(pd.${mode} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endforeach()

# A rig from a room with three distances: clicks, levels, delays and ramps as Pd plays them.
# vorn-layout is built here where nlohmann-json is found (always in make test).
if(TARGET vorn-layout)
add_test(NAME pd.rig
         COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/pd/check_rig.py $<TARGET_FILE:vorn-layout> $<TARGET_FILE:vorn-sim>
                 ${VORN_PD_OUTPUT_DIR})
set_tests_properties(pd.rig PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()

# A ring of five boxes on Pd's one thread, each driving the next: back at once, with one line.
add_test(NAME pd.ring_of_boxes COMMAND ${PROJECT_SOURCE_DIR}/tests/pd/ring_of_boxes.sh ${VORN_PD_OUTPUT_DIR})
set_tests_properties(pd.ring_of_boxes PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 90)

# The external as a Pd user elsewhere builds it: CMake, a compiler and m_pd.h, nothing else.
add_test(NAME pd.native_build
         COMMAND ${PROJECT_SOURCE_DIR}/tests/pd/check_native_build.sh ${PD_INCLUDE_DIR} ${CMAKE_BINARY_DIR}/native-check)
set_tests_properties(pd.native_build PROPERTIES TIMEOUT 1800)
