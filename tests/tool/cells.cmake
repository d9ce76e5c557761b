# Tests of the cells, the text they accept and the data file serializer. Test names carry the prefix "tarn.".
foreach(test cellTest cellTextTest tableSerializerTest textScanTest)
  add_executable(${test} ${CMAKE_CURRENT_SOURCE_DIR}/${test}.cpp)
  target_link_libraries(${test} PRIVATE tarn GTest::gtest_main)
  target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(${test} TEST_PREFIX "tarn." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endforeach()
