# Properties pane tests: the grid and its cell properties, the table view dialog, the pane on a
# real data directory, and the whole editor on a copy of the sample data, all driven by real key
# and mouse events on the offscreen platform.
if(TARGET tessel_properties AND TARGET tessel_shell)
  tessel_add_gui_test(PropertiesTest
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesWndTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesLinkTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TableViewDlgTest.cpp
    LIBS tessel_properties tessel_shell)
  tessel_add_gui_test(PropertiesEndToEndTest
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/PropertiesEndToEndTest.cpp
    LIBS tessel_properties tessel_shell)
  target_compile_definitions(PropertiesEndToEndTest PRIVATE
    TESSEL_EXAMPLE_DATA_DIR="${PROJECT_SOURCE_DIR}/examples/game-data")
endif()
