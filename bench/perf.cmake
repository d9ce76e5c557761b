# The programs that scripts/bench runs: the floor (read a data file and find its lines), Tessel's
# load and save of a data directory, and the editor's start-up and tree operations.
add_executable(bench_floor ${CMAKE_CURRENT_SOURCE_DIR}/floor.cpp)
target_link_libraries(bench_floor PRIVATE scl)

add_executable(bench_tessel ${CMAKE_CURRENT_SOURCE_DIR}/tesselBench.cpp)
target_link_libraries(bench_tessel PRIVATE tarn)

# The editor's start-up and tree operations, on the real main frame under the offscreen platform.
if(TARGET tessel_shell)
  find_package(Qt6 COMPONENTS Test)
  if(TARGET Qt6::Test)
    add_executable(bench_editor ${CMAKE_CURRENT_SOURCE_DIR}/editorBench.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/editorBenchSupport.h)
    target_link_libraries(bench_editor PRIVATE tessel_shell Qt6::Test)
  endif()
endif()
