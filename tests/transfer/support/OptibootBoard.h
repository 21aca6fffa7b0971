#pragma once
// An ATmega328P running the optiboot bootloader in simavr, behind a
// pseudo-terminal, paced to wall time. Opening the port resets the chip
// into the bootloader, as the auto-reset of an Arduino board does. When the
// bootloader starts the application the simulation pauses, so the flash can
// be read back as the upload left it; or, when asked to, the application
// runs on to its stop loop and what it sends is kept apart.
#include "Pty.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class OptibootBoard {
public:
  static constexpr uint32_t BootloaderStart = 0x7E00;

  // Fills the application flash with the given byte, so that pages left
  // unwritten show up in the read-back.
  explicit OptibootBoard(uint8_t applicationFill = 0xFF);
  ~OptibootBoard();
  OptibootBoard(const OptibootBoard&) = delete;
  OptibootBoard& operator=(const OptibootBoard&) = delete;

  const std::string& Port() const { return pty.SlavePath(); }
  // Ends the simulation; afterwards the flash may be read.
  void Stop();
  std::vector<uint8_t> Flash(uint32_t address, uint32_t count) const;
  // How often the port was opened (each open resets the chip).
  int Resets() const { return resets; }
  bool ApplicationStarted() const { return applicationStarted; }

  // Before the upload: let the uploaded program run once it is started.
  void RunApplication() { runApplication = true; }
  // The running program reached the runtime's stop loop.
  bool ApplicationEnded() const { return applicationEnded; }
  // What the program sent on the serial line; read after Stop().
  const std::string& ApplicationOutput() const { return applicationOutput; }

  struct Sim;

private:
  PseudoTerminal pty;
  std::unique_ptr<Sim> sim;
  std::atomic<bool> stop{false};
  std::atomic<int> resets{0};
  std::atomic<bool> applicationStarted{false};
  std::atomic<bool> runApplication{false};
  std::atomic<bool> applicationEnded{false};
  std::string applicationOutput;
  std::thread thread;
  void Run();
};

// The bootloader image, read from the hex file built with the tests.
std::vector<std::pair<uint32_t, std::vector<uint8_t>>> ReadIntelHex(const std::string& path);
