# Tests of rows, tables, the table list and tessel-cli. Test names carry the prefix "tarn.".
foreach(test rowTest tableTest tableListTest rowTakeOutTest rowTextTest linkTest problemTextTest)
  add_executable(${test} ${CMAKE_CURRENT_SOURCE_DIR}/${test}.cpp)
  target_link_libraries(${test} PRIVATE tarn GTest::gtest_main)
  target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${test} PRIVATE TESSEL_SAMPLE_DATA="${PROJECT_SOURCE_DIR}/examples/game-data")
  gtest_discover_tests(${test} TEST_PREFIX "tarn." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endforeach()

if(TARGET tessel-cli)
  add_executable(cliTest ${CMAKE_CURRENT_SOURCE_DIR}/cliTest.cpp)
  target_link_libraries(cliTest PRIVATE tarn GTest::gtest_main)
  target_include_directories(cliTest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(cliTest PRIVATE
    TESSEL_CLI="$<TARGET_FILE:tessel-cli>"
    TESSEL_SAMPLE_DATA="${PROJECT_SOURCE_DIR}/examples/game-data")
  add_dependencies(cliTest tessel-cli)
  gtest_discover_tests(cliTest TEST_PREFIX "tarn." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endif()

# The committed sample data is exactly what its generator makes.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME tarn.SampleData.IsWhatTheGeneratorMakes
    COMMAND sh -c "out=$(mktemp -d) && '${Python3_EXECUTABLE}' '${PROJECT_SOURCE_DIR}/scripts/gen-sample-data.py' \"$out\" >/dev/null && diff -r \"$out\" '${PROJECT_SOURCE_DIR}/examples/game-data'; status=$?; rm -rf \"$out\"; exit $status")
endif()
