# Application: the helper that tests/e2e/test_keyboard_session.py starts from
# NOTIFY_BUILD_DIR/bin to end the user's session for the real Notify.exe.
add_executable(session_end_sender WIN32 ${CMAKE_CURRENT_LIST_DIR}/app/session_end_sender.cpp)
target_link_libraries(session_end_sender PRIVATE notify_warnings)
target_link_options(session_end_sender PRIVATE -municode)
