# Reading and writing a 100,000-row data file through tarn::TableSerializer.
add_executable(bench_serializer ${CMAKE_CURRENT_SOURCE_DIR}/serializerBench.cpp)
target_link_libraries(bench_serializer PRIVATE tarn benchmark::benchmark)
