# The window-service tests drive menus and dialogs by keys.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_toolkit_gui PRIVATE Qt6::Test)
