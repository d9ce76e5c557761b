# The link picker (the table view dialog) on a linked table of the links benchmark's directory,
# on the offscreen platform (run by scripts/bench).
if(TARGET tessel_shell)
  find_package(Qt6 COMPONENTS Test)
  if(TARGET Qt6::Test)
    add_executable(bench_picker ${CMAKE_CURRENT_SOURCE_DIR}/pickerBench.cpp)
    target_link_libraries(bench_picker PRIVATE tessel_shell Qt6::Test)
  endif()
endif()
