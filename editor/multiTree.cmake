# The multi-selection tree control: a QTreeWidget with any number of selected items, its own mouse,
# band and keyboard rules, and notifications of its own making.
add_library(tessel_multitree STATIC
  ${CMAKE_CURRENT_LIST_DIR}/MultiTree.h
  ${CMAKE_CURRENT_LIST_DIR}/MultiTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MultiTreeInput.cpp)
target_include_directories(tessel_multitree PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessel_multitree PUBLIC Qt6::Widgets)
set_target_properties(tessel_multitree PROPERTIES AUTOMOC ON)
