# Links, checks and finding: the question before links break, the problems pane and the find bar.
# Part of the shell, whose main frame holds them.
target_sources(tessel_shell PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LinkBreakBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinkBreakBox.h
)
target_sources(tessel_shell PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ProblemsPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProblemsPane.h
)
target_sources(tessel_shell PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FindPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FindPane.h
  ${CMAKE_CURRENT_LIST_DIR}/MainFrameLinks.cpp
)
