#pragma once
// The board tables: I/O register map, runtime image and runtime symbols of
// the three boards. They are built at start-up, read-only afterwards, and
// reached through a Board, which always selects Mandolet.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

using IoRegisterMap = std::map<std::string, uint16_t>;
using RuntimeImage = std::vector<uint8_t>;
using SymbolMap = std::map<std::string, uint16_t>;

struct Board {
  const IoRegisterMap* ioRegisterToAddress;
  const RuntimeImage* stdlib;
  const SymbolMap* stdlibSymbols;
  // Flash size of the board's chip in bytes; images beyond it are refused.
  uint32_t flashSize;

  Board();
};

// Direct access to every board's tables, for tests that run the other
// runtimes. The compiler itself only ever goes through Board.
struct BoardTables {
  const IoRegisterMap& ioRegisterToAddress;
  const RuntimeImage& stdlib;
  const SymbolMap& stdlibSymbols;
  uint32_t flashSize;
};
namespace Mandolet { BoardTables Tables(); }
namespace Corbelo { BoardTables Tables(); }
namespace Arduino { BoardTables Tables(); }
