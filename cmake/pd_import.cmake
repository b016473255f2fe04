# Links a Pd external for Windows against pd.dll, where Pd's functions are found when it
# loads the external: through an import library that the toolchain's dlltool makes from
# cmake/pd.def.
function(vorn_link_pd_dll target)
  set(import ${CMAKE_CURRENT_BINARY_DIR}/libpd.a)
  if(NOT TARGET vorn_pd_import)
    add_custom_command(OUTPUT ${import}
                       COMMAND ${CMAKE_DLLTOOL} -d ${PROJECT_SOURCE_DIR}/cmake/pd.def -l ${import}
                       DEPENDS ${PROJECT_SOURCE_DIR}/cmake/pd.def
                       COMMENT "Making the pd.dll import library")
    add_custom_target(vorn_pd_import DEPENDS ${import})
  endif()
  add_dependencies(${target} vorn_pd_import)
  target_link_libraries(${target} PRIVATE ${import})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${import})
endfunction()
