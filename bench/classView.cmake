# The class view filled from a generated 100,000-row table in the real main frame on the offscreen
# platform: fill, range selection, deletion of 1,000 selected rows.
if(TARGET tessel_shell AND TARGET tessel_bench_data)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  add_executable(bench_classview ${CMAKE_CURRENT_SOURCE_DIR}/classViewBench.cpp)
  target_link_libraries(bench_classview PRIVATE tessel_shell tessel_bench_data Qt6::Test benchmark::benchmark)
  set_target_properties(bench_classview PROPERTIES AUTOMOC OFF)
endif()
