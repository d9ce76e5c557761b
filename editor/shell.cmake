# The editor shell: application, document, view, main frame, command routing, dock-pane base,
# looks, dialogs; the `tessel` executable is a thin main() over it.
add_library(tessel_shell STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/AppSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AppSettings.h
  ${CMAKE_CURRENT_LIST_DIR}/ClassView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClassView.h
  ${CMAKE_CURRENT_LIST_DIR}/CommandRouter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommandRouter.h
  ${CMAKE_CURRENT_LIST_DIR}/DocumentChanges.h
  ${CMAKE_CURRENT_LIST_DIR}/DocumentCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocumentCommands.h
  ${CMAKE_CURRENT_LIST_DIR}/DockPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DockPane.h
  ${CMAKE_CURRENT_LIST_DIR}/DirectoryGuard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DirectoryGuard.h
  ${CMAKE_CURRENT_LIST_DIR}/RecoveryJournal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecoveryJournal.h
  ${CMAKE_CURRENT_LIST_DIR}/RecoveryReplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestHooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestHooks.h
  ${CMAKE_CURRENT_LIST_DIR}/TestScript.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestScript.h
  ${CMAKE_CURRENT_LIST_DIR}/LockKeyIndicators.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LockKeyIndicators.h
  ${CMAKE_CURRENT_LIST_DIR}/LockKeyIndicatorsX11.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Looks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Looks.h
  ${CMAKE_CURRENT_LIST_DIR}/MainFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFrame.h
  ${CMAKE_CURRENT_LIST_DIR}/PropertiesWnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PropertiesWnd.h
  ${CMAKE_CURRENT_LIST_DIR}/TableExchangeUi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableExchangeUi.h
  ${CMAKE_CURRENT_LIST_DIR}/TesselApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TesselApp.h
  ${CMAKE_CURRENT_LIST_DIR}/TesselDoc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TesselDoc.h
  ${CMAKE_CURRENT_LIST_DIR}/TesselView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TesselView.h
  ${CMAKE_CURRENT_LIST_DIR}/ToolbarCustomizeDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolbarCustomizeDlg.h
  ${CMAKE_CURRENT_LIST_DIR}/ToolbarImages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolbarImages.h
  ${CMAKE_CURRENT_LIST_DIR}/resource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resource.h
)
target_include_directories(tessel_shell PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tessel_shell PUBLIC Qt6::Widgets Qt6::PrintSupport)
if(EXISTS ${PROJECT_SOURCE_DIR}/tool/tables.h)
  target_link_libraries(tessel_shell PUBLIC tarn)
endif()
if(TARGET tessel_crashdump)
  target_link_libraries(tessel_shell PUBLIC tessel_crashdump)
endif()

# The lock-key indicators read the X server's keyboard LEDs when Xlib is there.
find_package(X11 QUIET)
if(X11_FOUND)
  target_link_libraries(tessel_shell PRIVATE X11::X11)
  target_compile_definitions(tessel_shell PRIVATE TESSEL_HAVE_X11=1)
endif()

add_executable(tessel ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(tessel PRIVATE tessel_shell)
target_compile_definitions(tessel_shell PRIVATE TESSEL_VERSION="${PROJECT_VERSION}")
install(TARGETS tessel RUNTIME DESTINATION bin)

include(${CMAKE_CURRENT_LIST_DIR}/grid/grid.cmake)
