# Shadow tests: the test form shared by the Win32 tests, and the host program that the
# end-to-end pixel test starts.
target_sources(win_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/controls/shadow/test_window.cpp)

# tests/e2e/test_shadow_pixels.py starts this from NOTIFY_BUILD_DIR/bin.
add_executable(shadow_host WIN32 ${CMAKE_CURRENT_LIST_DIR}/controls/shadow/host/shadow_host.cpp)
target_link_libraries(shadow_host PRIVATE notify_core notify_warnings)
target_link_options(shadow_host PRIVATE -municode)
