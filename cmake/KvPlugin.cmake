# kv_add_plugin(<name> SOURCES ... [LIBS ...])
# Builds <name>.kv: a MODULE library with hidden visibility that exports
# only _IKvModule_Create, written to ${KV_PLUGIN_DIR}.
function(kv_add_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kv_framework ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".kv"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${KV_PLUGIN_DIR})
  target_link_options(${name} PRIVATE
    -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/kv_plugin.map -Wl,--no-undefined)
  set_property(GLOBAL APPEND PROPERTY KV_PLUGINS ${name})
endfunction()

# kv_add_plugin_subfolders(): the tests/ of a plug-in folder and, when
# benchmarks are built, its bench/ (which needs the stand-in host; its rules
# make nothing when the host is not built).
function(kv_add_plugin_subfolders)
  add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/tests)
  if(KV_BUILD_BENCHMARKS)
    add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/bench)
  endif()
endfunction()
