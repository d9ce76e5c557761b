# The table grid in the main area: the table model, its delegate and the grid view. Built into the
# shell, whose view (CTesselView) holds the grids and whose document they follow.
target_sources(tessel_shell PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/GridDelegate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridDelegate.h
  ${CMAKE_CURRENT_LIST_DIR}/GridProxy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridProxy.h
  ${CMAKE_CURRENT_LIST_DIR}/GridView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridView.h
  ${CMAKE_CURRENT_LIST_DIR}/TableModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableModel.h
)
