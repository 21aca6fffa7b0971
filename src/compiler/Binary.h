#pragma once
// The code image and the instructions whose address operand is only known
// once every label is defined (filled in by Compiler::Program::Link).
#include "compiler/Instructions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Compiler {

// A label that may not be defined yet, plus an offset added to its value
// (1 for the high byte of a 16-bit variable, else 0).
struct UnknownAddress {
  std::string label;
  uint16_t offset = 0;

  UnknownAddress() = default;
  UnknownAddress(std::string label, uint16_t offset = 0) : label(std::move(label)), offset(offset) {}
  UnknownAddress(const char* label, uint16_t offset = 0) : label(label), offset(offset) {}
};

struct Binary {
  std::vector<uint8_t> code;
  // Index of the byte the next emission writes. Equals code.size() while
  // generating; moved back into the code only to patch reserved bytes.
  uint32_t position = 0;

  // At the end of the image the bytes are appended; inside it they
  // overwrite what is there. Either way `position` advances past them.
  void Emit(const Encoded& instruction);
  void Emit(const uint8_t* bytes, size_t count);
};

class DeferedInstruction {
public:
  UnknownAddress target;
  uint16_t address = 0;       // the label's value plus the offset, set by Link
  uint16_t codePosition = 0;  // where the instruction stands, set by Program::Defer

  explicit DeferedInstruction(UnknownAddress target) : target(std::move(target)) {}
  virtual ~DeferedInstruction() = default;

  // Writes the finished instruction at codePosition.
  virtual void SecondPass(Binary& binary) = 0;
};

// LDI r30, LDI r31 with the label's word address, for a following ICALL/IJMP.
class DeferedCodeAddressToZ : public DeferedInstruction {
public:
  using DeferedInstruction::DeferedInstruction;
  void SecondPass(Binary& binary) override;
};

// LDI regLo, LDI regHi with the label's flash byte address (a string for LPM).
class DeferedLoadFlashAddress : public DeferedInstruction {
public:
  uint16_t regLo;
  uint16_t regHi;

  DeferedLoadFlashAddress(UnknownAddress target, uint16_t regLo, uint16_t regHi)
      : DeferedInstruction(std::move(target)), regLo(regLo), regHi(regHi) {}
  void SecondPass(Binary& binary) override;
};

// A 4-byte SRAM access (LDS or STS) of `operand` at the label's address.
template <class Instruction>
class DeferedTwoOperand : public DeferedInstruction {
public:
  uint16_t operand;

  DeferedTwoOperand(UnknownAddress target, uint16_t operand)
      : DeferedInstruction(std::move(target)), operand(operand) {}
  void SecondPass(Binary& binary) override {
    binary.position = codePosition;
    binary.Emit(Instruction::Encode(operand, address));
  }
};

using DeferedLDS = DeferedTwoOperand<LdsInstruction>;
using DeferedSTS = DeferedTwoOperand<StsInstruction>;

}  // namespace Compiler
