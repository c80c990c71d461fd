# Interface framework and popup presentation: shared test helpers, and the popup host
# that the end-to-end layout test drives.
target_sources(win_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/presentation/ui_test_support.cpp)
target_include_directories(win_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/presentation)

add_executable(popup_layout_host ${CMAKE_CURRENT_LIST_DIR}/presentation/popup_layout_host.cpp)
target_link_libraries(popup_layout_host PRIVATE notify_core notify_warnings)
target_link_options(popup_layout_host PRIVATE -municode)
