# The dialog tests click and type, and upload to the board stand-ins of the
# GUI-free transfer tests.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_transfer_gui PRIVATE Qt6::Test pellburne_transfer_support)
