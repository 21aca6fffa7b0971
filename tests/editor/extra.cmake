# The editor tests drive menus, dialogs and the window by mouse and keys through QtTest.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_editor PRIVATE Qt6::Test)
