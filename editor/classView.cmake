# The class view pane: the tree of tables and rows (CustomTree, over the multi-selection tree) and
# its images. The pane itself (ClassView) is built with the shell, whose main frame holds it by
# value; the pane and its tree reach back into the frame (properties pane, document), so their
# sources go into the shell's library rather than into a library of their own.
if(TARGET tessel_shell)
  target_sources(tessel_shell PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewImages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClassViewImages.h
    ${CMAKE_CURRENT_LIST_DIR}/CustomTree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CustomTree.h)
  target_link_libraries(tessel_shell PUBLIC tessel_multitree)
endif()
