# Published catalogue: tests/e2e/test_published.py and the demo start this from
# NOTIFY_BUILD_DIR/bin to trust the CA they made, in their own Wine prefix only.
add_executable(trust_test_ca ${CMAKE_CURRENT_LIST_DIR}/app/trust_test_ca_win.cpp)
target_link_libraries(trust_test_ca PRIVATE crypt32 notify_warnings)
target_link_options(trust_test_ca PRIVATE -municode)
