# Grid tests: the table grid in the main area on the real editor, driven by key and mouse events.
if(TARGET tessel_shell AND TARGET tessel_properties)
  tessel_add_gui_test(GridTest
    ${CMAKE_CURRENT_LIST_DIR}/GridTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/ShellTestSupport.h
    LIBS tessel_properties tessel_shell)
endif()
