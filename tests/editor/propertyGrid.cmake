# Property grid tests: real key and mouse events on the offscreen platform.
tessel_add_gui_test(PropertyGridTest ${CMAKE_CURRENT_LIST_DIR}/PropertyGridTest.cpp LIBS tessel_propertygrid)
