# tests/e2e/test_audience.py copies this in as the catalogue's Program: a host whose only
# part is its version resource (file version 6.0.2.1).
enable_language(RC)
add_executable(audience_host WIN32 ${CMAKE_CURRENT_LIST_DIR}/app/audience_host_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/app/audience_host.rc)
target_link_libraries(audience_host PRIVATE notify_warnings)
target_link_options(audience_host PRIVATE -municode)
