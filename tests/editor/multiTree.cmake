# Tests of the multi-selection tree control, driven through real mouse and key events.
tessel_add_gui_test(multiTreeTest ${CMAKE_CURRENT_LIST_DIR}/MultiTreeTest.cpp LIBS tessel_multitree)
