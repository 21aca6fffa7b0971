#pragma once
// The board tables: I/O register map, runtime image and runtime symbols of
// the three boards. They are built at start-up, read-only afterwards, and
// reached through a Board, which selects the board that the upload protocol
// reaches: the Corbelo bootloader sits on a Mandolet, an STK500 bootloader
// on an Arduino.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

using IoRegisterMap = std::map<std::string, uint16_t>;
using RuntimeImage = std::vector<uint8_t>;
using SymbolMap = std::map<std::string, uint16_t>;

// The one rule that the programmer setting decides by: "Corbelo" means the
// bootloader upload to a Mandolet, any other programmer STK500 to an
// Arduino. The board of a compile, the uploader and the title all ask it, so
// code for one chip never goes out over the other chip's protocol.
enum class Target { MandoletBootloader, ArduinoStk500 };
Target TargetOf(const std::string& programmer);

struct Board {
  const IoRegisterMap* ioRegisterToAddress;
  const RuntimeImage* stdlib;
  const SymbolMap* stdlibSymbols;
  // Flash the program may fill, in bytes; images beyond it are refused.
  uint32_t flashSize;
  const char* name;  // as the window title names the board

  // The board of the programmer in the settings.
  Board();
  // The board of TargetOf(programmer).
  explicit Board(const std::string& programmer);
};

// Direct access to every board's tables, for tests that run the other
// runtimes. The compiler itself only ever goes through Board.
struct BoardTables {
  const IoRegisterMap& ioRegisterToAddress;
  const RuntimeImage& stdlib;
  const SymbolMap& stdlibSymbols;
  uint32_t flashSize;  // what the program may fill (an Arduino's bootloader keeps the top 512)
};
namespace Mandolet {
BoardTables Tables();
}
namespace Corbelo {
BoardTables Tables();
}
namespace Arduino {
BoardTables Tables();
}
