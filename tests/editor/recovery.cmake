# Recovery tests: the real `tessel` process killed and started again on a temporary data
# directory (journal, recovery, changes on disk, lock file, leftovers), and the journal's file
# format and replay in process.
if(TARGET tessel_shell AND TARGET tessel)
  tessel_add_gui_test(RecoveryTest
    ${CMAKE_CURRENT_LIST_DIR}/RecoveryProcessTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecoveryJournalTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTestSupport.h
    LIBS tessel_shell)
  target_compile_definitions(RecoveryTest PRIVATE TESSEL_BINARY="$<TARGET_FILE:tessel>")
  add_dependencies(RecoveryTest tessel)
endif()
