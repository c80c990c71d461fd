# Shadow tests: the test form shared by the Win32 tests, and the host program that the
# end-to-end pixel test starts.
target_sources(win_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/controls/shadow/test_window.cpp)
target_include_directories(win_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/controls/shadow)
