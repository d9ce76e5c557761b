# Tests of the fast load and save paths (line count from memory, rows and cells in the arena,
# string cells' unused units, large tables byte for byte). Test names carry the prefix "tarn.".
add_executable(perfLoadTest ${CMAKE_CURRENT_SOURCE_DIR}/perfLoadTest.cpp)
target_link_libraries(perfLoadTest PRIVATE tarn GTest::gtest_main)
target_include_directories(perfLoadTest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
gtest_discover_tests(perfLoadTest TEST_PREFIX "tarn." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
