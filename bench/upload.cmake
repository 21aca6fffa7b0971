# The board stand-ins of the transfer tests: optiboot in simavr and the
# bootloader peer on a pseudo-terminal.
target_link_libraries(bench_upload PRIVATE pellburne_transfer_support)
find_program(AVRDUDE avrdude)
if(AVRDUDE)
  target_compile_definitions(bench_upload PRIVATE PELLBURNE_AVRDUDE="${AVRDUDE}")
endif()
