# The File menu's import and export in the real editor on a temporary copy of the sample data, and
# the import command's undo and journal record.
if(TARGET tessel_shell)
  tessel_add_gui_test(TableExchangeUiTest
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/ShellTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/TableExchangeUiTest.cpp
    LIBS tessel_shell)
  target_compile_definitions(TableExchangeUiTest PRIVATE
    TESSEL_SAMPLE_DATA="${PROJECT_SOURCE_DIR}/examples/game-data")
endif()
