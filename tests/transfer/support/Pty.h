#pragma once
// A pseudo-terminal whose master end stands in for the board or a peer; the
// code under test opens the slave path as its serial port.
#include <cstdint>
#include <string>
#include <vector>

class PseudoTerminal {
public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int Master() const { return master; }
  const std::string& SlavePath() const { return slave; }
  // Someone holds the slave end open.
  bool SlaveOpen() const;
  // Writes everything, waiting for room at most a second at a time.
  bool Write(const void* data, size_t count);
  bool Write(const std::vector<uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
  // Waits at most the given time for bytes and returns what has arrived.
  std::vector<uint8_t> Read(int milliseconds);

private:
  int master = -1;
  std::string slave;
};
