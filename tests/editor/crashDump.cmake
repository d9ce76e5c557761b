# Crash filter tests: unit tests of the name and time helpers, and real crashes of crash_child,
# a small program that installs the filter and then fails in the way its argument names.
find_package(Threads REQUIRED)

add_executable(crash_child ${CMAKE_CURRENT_LIST_DIR}/crashChild.cpp)
set_target_properties(crash_child PROPERTIES AUTOMOC OFF)
target_link_libraries(crash_child PRIVATE tessel_crashdump Threads::Threads)

add_executable(CrashDumpTest ${CMAKE_CURRENT_LIST_DIR}/CrashDumpTest.cpp)
set_target_properties(CrashDumpTest PROPERTIES AUTOMOC OFF)
target_link_libraries(CrashDumpTest PRIVATE tessel_crashdump GTest::gtest_main)
target_compile_definitions(CrashDumpTest PRIVATE TESSEL_CRASH_CHILD="$<TARGET_FILE:crash_child>")
add_dependencies(CrashDumpTest crash_child)
gtest_discover_tests(CrashDumpTest DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
