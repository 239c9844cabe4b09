# kv_add_host_test(<target> PLUGIN <plug-in> SOURCES ... [INCLUDES ...] [LIBS ...]
#                  [ALLOC] [RENDER])
# A GoogleTest program that drives the built <plug-in>.kv through the
# stand-in host. host/ is configured after extra/, so the host's targets are
# named here before they exist; nothing is made when the host is not built.
#   ALLOC   links the operator-new counter, exported so that the loaded
#           plug-in allocates through it too.
#   RENDER  a render test: links the renderer's test support and knows the
#           scenes folder and the test folder's references/.
function(kv_add_host_test name)
  cmake_parse_arguments(ARG "ALLOC;RENDER" "PLUGIN" "SOURCES;INCLUDES;LIBS" ${ARGN})
  set(needed ${PROJECT_SOURCE_DIR}/host)
  set(support kv_test_support)
  if(ARG_RENDER)
    set(needed ${needed}/render)
    set(support kv_render_test_support)
  endif()
  if(NOT KV_BUILD_HOST OR NOT EXISTS ${needed}/CMakeLists.txt)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  target_link_libraries(${name} PRIVATE ${support} ${ARG_LIBS} GTest::gtest_main)
  if(ARG_ALLOC)
    target_link_libraries(${name} PRIVATE kv_alloc_counter)
    set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
  endif()
  if(ARG_RENDER)
    target_compile_definitions(${name} PRIVATE KV_SCENES_DIR="${PROJECT_SOURCE_DIR}/scenes"
                               KV_REFERENCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/references")
  endif()
  add_dependencies(${name} ${ARG_PLUGIN})
  gtest_discover_tests(${name})
endfunction()

# kv_add_host_bench(<target> PLUGIN <plug-in> SOURCES ... [INCLUDES ...] [DEFINES ...])
# A Google Benchmark of <plug-in>.kv through the stand-in host and its
# renderer, beside the framework's pass-through material (kvtest.kv). Its
# ctest case is a short smoke run labelled "bench".
function(kv_add_host_bench name)
  cmake_parse_arguments(ARG "" "PLUGIN" "SOURCES;INCLUDES;DEFINES" ${ARGN})
  if(NOT KV_BUILD_HOST OR NOT EXISTS ${PROJECT_SOURCE_DIR}/host/render/CMakeLists.txt)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINES})
  target_link_libraries(${name} PRIVATE kv_render kv_test_support benchmark::benchmark)
  add_dependencies(${name} ${ARG_PLUGIN} kvtest)
  add_test(NAME ${name} COMMAND ${name} --benchmark_min_time=0.01)
  set_tests_properties(${name} PROPERTIES LABELS bench)
endfunction()
