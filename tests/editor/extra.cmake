# The main-window and frame tests drive menus, dialogs and the window by mouse and keys.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_editor PRIVATE Qt6::Test)
