# The table grid on a generated table, in the real main frame on the offscreen platform: opening the
# tab, scrolling, sorting, filtering, pasting, and the memory the grid adds (run by scripts/bench).
if(TARGET tessel_shell)
  find_package(Qt6 COMPONENTS Test)
  if(TARGET Qt6::Test)
    add_executable(bench_grid ${CMAKE_CURRENT_SOURCE_DIR}/gridBench.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/editorBenchSupport.h)
    target_link_libraries(bench_grid PRIVATE tessel_shell Qt6::Test)
  endif()
endif()
