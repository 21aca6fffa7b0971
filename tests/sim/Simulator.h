#pragma once
// Runs linked AVR images in simavr for the tests.
//
//   Sim::Simulator sim(Sim::Chip::ATtiny861);   // Mandolet: 8 MHz
//   sim.Load(program.binary.code);
//   ASSERT_TRUE(sim.Run(2'000'000));            // reached the stop loop
//   EXPECT_EQ(sim.SerialOutput(), "42");
//   EXPECT_EQ(sim.ReadVariable(0), 7);
//
// Run() never hangs: it always stops at its cycle limit. It reports true only
// when the program reached the runtime's stop loop (RJMP to itself with
// interrupts off). The serial output is decoded from the transmit pin's
// changes and their cycle stamps (software serial on the tiny chips) or taken
// from the USART (ATmega328P).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "compiler/Board.h"

struct avr_t;
struct avr_irq_t;

namespace Sim {

enum class Chip {
  ATtiny861,  // the Mandolet board: our own core definition, 8 MHz
  ATtiny84,   // the Corbelo board: simavr's core, 8 MHz
  ATmega328P  // the Arduino board: simavr's core, 16 MHz
};

// The board tables whose runtime is meant for the chip (for symbol look-ups).
BoardTables TablesFor(Chip chip);

class Simulator {
public:
  explicit Simulator(Chip chip = Chip::ATtiny861);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Writes the image to flash from address 0 and resets the chip (SRAM 0,
  // program counter 0, serial output forgotten, cycle count kept). Throws std::length_error when the
  // image does not fit.
  void Load(const std::vector<uint8_t>& image);
  // Sets every SRAM byte (not registers or I/O) to value; after Load, to
  // prove that the start-up code clears what it must.
  void FillSram(uint8_t value);

  // Runs at most cycleLimit more cycles. True when the program stopped in
  // the stop loop; false at the limit or when simavr gave up (crash).
  bool Run(uint64_t cycleLimit);
  bool Stopped() const { return stopped_; }
  uint64_t Cycles() const;
  uint32_t ProgramCounter() const;  // byte address
  uint32_t Frequency() const;

  // Data space: registers at 0, I/O at 0x20, SRAM after (symbol addresses
  // of the runtime's variables are data-space addresses).
  uint8_t ReadSram(uint16_t address) const;
  uint16_t ReadWord(uint16_t address) const;  // little endian
  void WriteSram(uint16_t address, uint8_t value);
  // I/O register by its I/O address (as for IN/OUT, SBI/CBI).
  uint8_t ReadIo(uint8_t ioAddress) const;
  uint8_t ReadRegister(int r) const;
  // varN of the chip's runtime as a signed 16-bit number.
  int16_t ReadVariable(int n) const;

  // Drives an input pin from outside ('A', 'B', ...); the level holds until
  // changed, also against the chip's pull-up.
  void SetPin(char port, int bit, bool level);
  // Feeds an ADC input (channels 0 to 7) with a voltage; the chips convert
  // against Vcc = 5000 mV.
  void SetAdcMillivolts(int channel, uint32_t millivolts);

  // Bytes sent so far on the board's serial line.
  std::string SerialOutput() const;
  // Cycle stamps of the transmit pin's changes (software serial only), for
  // timing checks: pairs of (cycle, level).
  const std::vector<std::pair<uint64_t, bool>>& SerialPinChanges() const { return changes_; }
  // Cycles per bit of the software serial line.
  double SerialBitCycles() const;

  // The underlying simavr instance, for tests that need more.
  avr_t* Raw() { return avr_; }

private:
  static void OnPinChange(::avr_irq_t* irq, uint32_t value, void* param);
  static void OnUartByte(::avr_irq_t* irq, uint32_t value, void* param);
  bool AtStopLoop() const;

  Chip chip_;
  avr_t* avr_ = nullptr;
  bool stopped_ = false;
  std::vector<std::pair<uint64_t, bool>> changes_;  // software serial pin
  std::string uartBytes_;                           // hardware USART
  uint32_t baud_ = 2400;
  struct Driven {
    uint8_t mask = 0, value = 0;
  };
  std::map<char, Driven> driven_;  // pins driven from outside, per port
};

// Whether the chip sits in a runtime's stop loop: an RJMP to itself with
// interrupts off (simavr does not notice such a loop by itself).
bool AtStopLoop(const avr_t* avr);

// Decodes 8N1 bytes (least significant bit first, idle high) from pin
// changes, sampling the middle of every bit. A frame whose stop bit is low
// is dropped; a frame not finished by endCycle is ignored.
std::string DecodeSerial(const std::vector<std::pair<uint64_t, bool>>& changes, double bitCycles, uint64_t endCycle);

}  // namespace Sim
