# Links in the editor: the picker, the "被引用" group, safe deletes and id changes, the problems
# pane and finding, in the real editor on a small linked data directory.
if(TARGET tessel_shell AND TARGET tessel-cli)
  tessel_add_gui_test(LinksTest
    ${CMAKE_CURRENT_LIST_DIR}/LinksTest.cpp
    LIBS tessel_shell)
  target_compile_definitions(LinksTest PRIVATE TESSEL_CLI="$<TARGET_FILE:tessel-cli>")
  add_dependencies(LinksTest tessel-cli)
endif()

# The pane "问题" on a directory with one finding of every kind.
if(TARGET tessel_shell)
  tessel_add_gui_test(ProblemsPaneTest
    ${CMAKE_CURRENT_LIST_DIR}/ProblemsPaneTest.cpp
    LIBS tessel_shell)
endif()
