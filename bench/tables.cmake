# Loading and saving a generated 100,000-row data directory through TableList, and the generator
# of such directories (gen_data).
add_library(tessel_bench_data STATIC ${CMAKE_CURRENT_SOURCE_DIR}/tableDataGen.cpp)
target_link_libraries(tessel_bench_data PUBLIC tarn)
target_include_directories(tessel_bench_data PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_executable(gen_data ${CMAKE_CURRENT_SOURCE_DIR}/genData.cpp)
target_link_libraries(gen_data PRIVATE tessel_bench_data)

add_executable(bench_tablelist ${CMAKE_CURRENT_SOURCE_DIR}/tableListBench.cpp)
target_link_libraries(bench_tablelist PRIVATE tessel_bench_data benchmark::benchmark)

# Links at scale: the reverse-link index, the "被引用" lookup, the data check and a search.
add_executable(bench_links ${CMAKE_CURRENT_SOURCE_DIR}/linksBench.cpp)
target_link_libraries(bench_links PRIVATE tarn)
