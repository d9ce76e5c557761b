# Crash filter: plain C++ and POSIX, no Qt. Executables that link it export their symbols
# (-rdynamic) so that the backtrace in a dump names their functions.
add_library(tessel_crashdump STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CrashDump.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CrashDump.h
)
set_target_properties(tessel_crashdump PROPERTIES AUTOMOC OFF)
target_include_directories(tessel_crashdump PUBLIC ${PROJECT_SOURCE_DIR})
target_link_options(tessel_crashdump PUBLIC "-rdynamic")
