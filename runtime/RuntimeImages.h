#pragma once
// The assembled board runtimes, compiled in: flash image bytes and symbol
// table of each board, as constant data (see generate_tables.py).
#include <cstddef>
#include <cstdint>

namespace RuntimeImages {

struct Symbol {
  const char* name;
  uint16_t address;
};

struct Image {
  const uint8_t* bytes;
  size_t size;
  const Symbol* symbols;
  size_t symbolCount;
};

extern const Image mandolet;
extern const Image corbelo;
extern const Image arduino;

}  // namespace RuntimeImages
