# The editor tests drive menus, dialogs and the window by mouse and keys through QtTest.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_editor PRIVATE Qt6::Test)

# A program that really crashes, with the real crash handler, for the crash-report tests.
add_executable(crash_helper ${CMAKE_CURRENT_SOURCE_DIR}/editor/crashhelper/CrashHelper.cpp)
target_link_libraries(crash_helper PRIVATE pellburne_core Qt6::Test)
add_dependencies(test_editor crash_helper)
target_compile_definitions(test_editor PRIVATE CRASH_HELPER="$<TARGET_FILE:crash_helper>")
