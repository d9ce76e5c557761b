# The class view pane: the tree of tables and rows (CustomTree, over the multi-selection tree) and
# its images. The pane itself (ClassView) is built with the shell, whose main frame holds it by
# value and gives it the document.
if(TARGET tessel_shell)
  target_sources(tessel_shell PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewImages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewImages.h
    ${CMAKE_CURRENT_LIST_DIR}/CustomTree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CustomTree.h)
  target_link_libraries(tessel_shell PUBLIC tessel_multitree)
endif()
