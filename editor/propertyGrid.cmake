# Property grid: typed properties in groups, in-place editing, buttons, description area.
add_library(tessel_propertygrid STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PropertyGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PropertyGrid.h
  ${CMAKE_CURRENT_LIST_DIR}/PropertyGridDelegate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PropertyGridDelegate.h
)
target_include_directories(tessel_propertygrid PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessel_propertygrid PUBLIC Qt6::Widgets)
