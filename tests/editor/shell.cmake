# Shell tests: the command router, dock-pane base and looks on their own (ShellTest), and the
# real editor started on a temporary data directory (MainFrameTest), with edits typed into its
# properties pane.
if(TARGET tessel_shell)
  tessel_add_gui_test(ShellTest
    ${CMAKE_CURRENT_LIST_DIR}/ShellCommandRouterTest.cpp
    LIBS tessel_shell)
  tessel_add_gui_test(MainFrameTest
    ${CMAKE_CURRENT_LIST_DIR}/MainFrameTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainFrameSaveTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainFrameEditCommitTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainFrameOpenFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesTestSupport.h
    LIBS tessel_shell)
endif()
