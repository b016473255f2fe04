# The Windows builds of `make windows`, tested from the native build under wine: every
# transcript scenario through vorn-sim.exe and both plug-ins, compared with the native
# transcript, and a static check of the plug-ins. Labelled "windows": `ctest --preset windows`.

set(VORN_WINDOWS_DIR "${PROJECT_SOURCE_DIR}/build/windows" CACHE PATH "Where make windows puts x64/ and x86/")
set(VORN_WINE_PREFIX "${PROJECT_SOURCE_DIR}/build/wine-prefix" CACHE PATH "The tests' own wine prefix")
set(VORN_WINE32_DIR "${PROJECT_SOURCE_DIR}/build/wine32" CACHE PATH
    "Where make windows puts wine's loaders for a kernel that cannot run 32-bit programs")

add_executable(compare_transcripts tools/sim/compare_transcripts.cpp)

set(vorn_wine ${CMAKE_COMMAND} -E env VORN_WINE32=${VORN_WINE32_DIR} ${PROJECT_SOURCE_DIR}/tests/windows/wine.sh)
add_test(NAME windows.wine.start COMMAND ${vorn_wine} ${VORN_WINE_PREFIX} start)
add_test(NAME windows.wine.stop COMMAND ${vorn_wine} ${VORN_WINE_PREFIX} stop)
# Making the prefix takes minutes when its 32-bit half runs under the emulator on a busy machine.
set_tests_properties(windows.wine.start PROPERTIES FIXTURES_SETUP wine LABELS windows TIMEOUT 900)
set_tests_properties(windows.wine.stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows TIMEOUT 60)

foreach(width x64 x86)
  if(width STREQUAL "x64")
    set(plugin Vorn.mxe64)
    set(objdump x86_64-w64-mingw32-objdump)
    set(format pei-x86-64)
  else()
    set(plugin Vorn.mxe)
    set(objdump i686-w64-mingw32-objdump)
    set(format pei-i386)
  endif()
  add_test(NAME windows.${width}.plugin_binary
           COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/check_plugin.sh ${objdump}
                   ${VORN_WINDOWS_DIR}/${width}/${plugin} ${format})
  set_tests_properties(windows.${width}.plugin_binary PROPERTIES LABELS windows)
  add_test(NAME windows.${width}.plugin_option
           COMMAND ${vorn_wine} ${VORN_WINE_PREFIX} plugin ${VORN_WINDOWS_DIR}/${width}/vorn-sim.exe
                   ${VORN_WINDOWS_DIR}/${width}/${plugin} ${PROJECT_SOURCE_DIR}/examples/dome.vorn)
  set_tests_properties(windows.${width}.plugin_option PROPERTIES LABELS windows FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77
                       TIMEOUT 60)
endforeach()

# Scenarios are globbed when CTest runs, so that new ones need no reconfiguration.
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/windows_scenarios.cmake CONTENT "
file(GLOB scripts \"${PROJECT_SOURCE_DIR}/tests/scenarios/*.vorn\")
foreach(script IN LISTS scripts)
  get_filename_component(name \${script} NAME_WE)
  get_filename_component(folder \${script} DIRECTORY)
  foreach(width x64 x86)
    add_test(windows.\${width}.scenario.\${name} ${vorn_wine} ${VORN_WINE_PREFIX} scenario
             $<TARGET_FILE:compare_transcripts> \${width} ${VORN_WINDOWS_DIR}/\${width}/vorn-sim.exe
             \${script} \${folder}/\${name}.expected)
    set_tests_properties(windows.\${width}.scenario.\${name} PROPERTIES
                         LABELS windows FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77 TIMEOUT 60)
  endforeach()
endforeach()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/windows_scenarios.cmake)

# The -DMAX_SDK_DIR branch, built against a fake SDK folder that the test makes.
add_test(NAME windows.x64.sdk_branch
         COMMAND ${PROJECT_SOURCE_DIR}/tests/sdk/sdk_branch.sh ${PROJECT_SOURCE_DIR} x86_64-w64-mingw32-objdump)
set_tests_properties(windows.x64.sdk_branch PROPERTIES LABELS windows TIMEOUT 600)

# The Pd external for 64-bit Windows, loaded under wine by a stand-in pd.dll: a few scenarios
# against native vorn-sim's single-precision transcript, compared as the Pd tests do.
set(vorn_pd_standin "/usr/lib/wine/wine64 ${VORN_WINDOWS_DIR}/x64/pd-standin/vorn-pd-sim.exe ${VORN_WINDOWS_DIR}/x64/Vorn.m_amd64")
foreach(script examples/dome.vorn tests/scenarios/creation_refusals.vorn tests/scenarios/interface_side_inlets.vorn
               tests/scenarios/interface_teardown.vorn tests/scenarios/engine_radius_spread.vorn
               tests/scenarios/config_layer_refusals.vorn)
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME windows.x64.pd.${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/pd/run_pd_scenario.sh $<TARGET_FILE:compare_transcripts>
                   $<TARGET_FILE:vorn-sim> ${VORN_WINDOWS_DIR}/x64 - ${PROJECT_SOURCE_DIR}/${script})
  set_tests_properties(windows.x64.pd.${name} PROPERTIES LABELS windows FIXTURES_REQUIRED wine TIMEOUT 90
    ENVIRONMENT "WINEPREFIX=${VORN_WINE_PREFIX};WINEDEBUG=-all;WINELOADER=/usr/lib/wine/wine64;VORN_PD_STANDIN=${vorn_pd_standin}")
endforeach()
