# The dialog tests drive keys and clicks through QtTest.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_editor PRIVATE Qt6::Test)
