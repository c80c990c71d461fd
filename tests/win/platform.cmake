# Helper for the platform tests: a child process for ShellRunAndWait that also carries a
# version resource (file version 1.2.3.40000, product version 9.8.7.6) for GetFileVersion.
enable_language(RC)
add_executable(platform_sleeper WIN32
  ${CMAKE_CURRENT_LIST_DIR}/platform/sleeper_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform/sleeper.rc)
target_link_libraries(platform_sleeper PRIVATE shell32 notify_warnings)
target_link_options(platform_sleeper PRIVATE -municode)
if(TARGET win_tests)
  add_dependencies(win_tests platform_sleeper)
endif()
