# Included from tests/CMakeLists.txt inside pellburne_test_folder(transfer).

# optiboot for the simulated ATmega328P, rebuilt from the source that
# Debian's arduino-core-avr ships: the shipped hex does not load in simavr.
find_program(AVR_GCC avr-gcc REQUIRED)
find_program(AVR_OBJCOPY avr-objcopy REQUIRED)
find_file(OPTIBOOT_SOURCE optiboot.c
  PATHS /usr/share/arduino/hardware/arduino/avr/bootloaders/optiboot NO_DEFAULT_PATH REQUIRED)
set(OPTIBOOT_DIR ${CMAKE_CURRENT_BINARY_DIR}/optiboot)
set(OPTIBOOT_HEX ${OPTIBOOT_DIR}/optiboot_atmega328.hex)
add_custom_command(OUTPUT ${OPTIBOOT_HEX}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${OPTIBOOT_DIR}
  COMMAND ${AVR_GCC} -g -Wall -Os -fno-inline-small-functions -fno-split-wide-types -mshort-calls
    -fno-inline -ffreestanding -fno-jump-tables -fno-tree-loop-optimize -fno-move-loop-invariants
    -fno-caller-saves -mmcu=atmega328p -DF_CPU=16000000L -DLED_START_FLASHES=3 -DBAUD_RATE=115200
    -Wl,--section-start=.text=0x7e00 -Wl,--section-start=.version=0x7ffe -Wl,--relax
    -Wl,--gc-sections -nostartfiles -nostdlib -o ${OPTIBOOT_DIR}/optiboot.elf ${OPTIBOOT_SOURCE}
  COMMAND ${AVR_OBJCOPY} -j .text -j .data -j .version --set-section-flags .version=alloc,load
    -O ihex ${OPTIBOOT_DIR}/optiboot.elf ${OPTIBOOT_HEX}
  DEPENDS ${OPTIBOOT_SOURCE}
  COMMENT "Building optiboot for the simulated ATmega328P"
  VERBATIM)
add_custom_target(optiboot_hex DEPENDS ${OPTIBOOT_HEX})

# Board stand-ins shared by the transfer tests and the upload benchmark.
find_path(SIMAVR_INCLUDE_DIR simavr/sim_avr.h REQUIRED)
find_library(SIMAVR_LIBRARY simavr REQUIRED)
find_library(UTIL_LIBRARY util REQUIRED)
file(GLOB transfer_support_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/transfer/support/*.cpp)
add_library(pellburne_transfer_support STATIC ${transfer_support_sources})
add_dependencies(pellburne_transfer_support optiboot_hex)
target_include_directories(pellburne_transfer_support
  PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/transfer/support
  PRIVATE ${SIMAVR_INCLUDE_DIR} ${SIMAVR_INCLUDE_DIR}/simavr)
target_compile_definitions(pellburne_transfer_support PRIVATE PELLBURNE_OPTIBOOT_HEX="${OPTIBOOT_HEX}")
target_link_libraries(pellburne_transfer_support PUBLIC pellburne_core pellburne_sim ${SIMAVR_LIBRARY} ${UTIL_LIBRARY}
  Threads::Threads)
target_link_libraries(test_transfer PRIVATE pellburne_transfer_support)

# The threaded tests (HID worker, peers on their own threads, the cancel
# flag, the transfer's send thread) also run under ThreadSanitizer. The
# simulated optiboot runs uninstrumented simavr and stays out.
pellburne_threads_tests(test_transfer "HidPort*:HidBoard*:BascomUploader*:ArduinoUploaderPeer*:Transfer.*")
