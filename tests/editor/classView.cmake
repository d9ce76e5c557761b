# Class view tests: the real editor on a temporary copy of examples/game-data, driven by real
# mouse and key events on the offscreen platform.
if(TARGET tessel_shell)
  tessel_add_gui_test(ClassViewTest
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewDeleteTest.cpp
    LIBS tessel_shell)
  target_compile_definitions(ClassViewTest PRIVATE
    TESSEL_SAMPLE_DATA="${PROJECT_SOURCE_DIR}/examples/game-data")
endif()

# The document's edit path end to end: undo and redo of every kind of change, the clipboard.
if(TARGET tessel_shell)
  tessel_add_gui_test(DocumentUndoTest
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/DocumentUndoTest.cpp
    LIBS tessel_shell)
  target_compile_definitions(DocumentUndoTest PRIVATE
    TESSEL_SAMPLE_DATA="${PROJECT_SOURCE_DIR}/examples/game-data")
endif()
