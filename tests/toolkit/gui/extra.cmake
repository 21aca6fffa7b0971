# The toolkit tests drive dialogs, menus and completion lists by keys and clicks.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_toolkit_gui PRIVATE Qt6::Test)
