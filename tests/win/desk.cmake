# tests/e2e/test_desk.py starts this from NOTIFY_BUILD_DIR/bin: a window in the foreground,
# full screen or at a given place, for a given time.
add_executable(desk_cover WIN32 ${CMAKE_CURRENT_LIST_DIR}/app/desk_cover_win.cpp)
target_link_libraries(desk_cover PRIVATE shell32 user32 gdi32 notify_warnings)
target_link_options(desk_cover PRIVATE -municode)
if(TARGET win_tests)
  add_dependencies(win_tests desk_cover)
endif()
