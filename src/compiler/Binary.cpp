#include "compiler/Binary.h"

#include <algorithm>

namespace Compiler {

void Binary::Emit(const Encoded& instruction) {
  uint8_t bytes[4];
  for (unsigned i = 0; i < instruction.size && i < 4; ++i) bytes[i] = instruction.Byte(i);
  Emit(bytes, std::min(instruction.size, 4u));
}

void Binary::Emit(const uint8_t* bytes, size_t count) {
  if (position == code.size()) {
    code.insert(code.end(), bytes, bytes + count);
  } else {
    // Only reserved bytes are overwritten; growing keeps a stray patch near
    // the end inside the vector instead of writing past it.
    if (position + count > code.size()) code.resize(position + count);
    std::copy(bytes, bytes + count, code.begin() + position);
  }
  position += static_cast<uint32_t>(count);
}

void DeferedCodeAddressToZ::SecondPass(Binary& binary) {
  binary.position = codePosition;
  binary.Emit(LDI(30, (address >> 1) & 0xFF));
  binary.Emit(LDI(31, address >> 9));
}

void DeferedLoadFlashAddress::SecondPass(Binary& binary) {
  binary.position = codePosition;
  binary.Emit(LDI(regLo, address & 0xFF));
  binary.Emit(LDI(regHi, address >> 8));
}

}  // namespace Compiler
