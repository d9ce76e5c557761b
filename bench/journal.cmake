# The recovery journal's cost in the real editor: journalling a cell edit and a 10,000-row
# delete, and recovering 10,000 journalled edits (scripts/bench runs it with the editor figures).
if(TARGET tessel_shell)
  add_executable(bench_journal ${CMAKE_CURRENT_SOURCE_DIR}/journalBench.cpp)
  target_link_libraries(bench_journal PRIVATE tessel_shell)
endif()
