# The parts of the properties pane: the grid whose properties edit cells, the link property and
# the table view dialog. The pane itself (PropertiesWnd) is built with the shell, whose main
# frame holds it by value; the shell therefore links these parts.
add_library(tessel_properties STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CellVariant.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CellVariant.h
  ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridCtrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridCtrl.h
  ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridProperty.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridProperty.h
  ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridTableProperty.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustomPropertyGridTableProperty.h
  ${CMAKE_CURRENT_LIST_DIR}/TableViewDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableViewDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/RefusalBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RefusalBox.h
)
target_include_directories(tessel_properties PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessel_properties PUBLIC tessel_propertygrid tarn Qt6::Widgets)

if(TARGET tessel_shell)
  target_link_libraries(tessel_shell PUBLIC tessel_properties)
  # The table view dialog shows its rows through the grid's model, which the shell builds: the two
  # static libraries need each other.
  target_link_libraries(tessel_properties PUBLIC tessel_shell)
endif()
