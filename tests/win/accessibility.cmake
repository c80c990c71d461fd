# Screen readers' view: a separate process that hooks the popup's alert event out of
# context and reads its accessible object, as a reader does; the end-to-end test runs it.
add_executable(alert_listener ${CMAKE_CURRENT_LIST_DIR}/accessibility/alert_listener.cpp)
target_link_libraries(alert_listener PRIVATE notify_warnings ole32 oleaut32 uuid user32 oleacc)
target_link_options(alert_listener PRIVATE -municode)
