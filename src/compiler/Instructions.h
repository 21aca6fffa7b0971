#pragma once
// Encoding of the AVR instructions that the code generator emits.
//
// Every instruction is encoded by one rule: start from the opcode, scatter
// operand A into the set bits of mask A and operand B into the set bits of
// mask B (lowest bit first; operand bits beyond the mask are dropped), and
// write the value as 2 or 4 bytes, least significant first.
//
// The helpers below return an `Encoded` value that Compiler::Binary::Emit
// (or Compiler::Program::Emit) writes into the image:
//
//   program.Emit(Compiler::LDI(24, 5));
//   program.Emit(Compiler::ADD(24, 22));
//   program.Emit(Compiler::BRNE(3));      // skip three words
//
// Operands are written in assembler order (LDS Rd, k; STS k, Rr; SBIC A, b).
// Branch offsets are in words and may be negative. Nothing is range-checked:
// callers pass registers and values that fit, as the generator always does.
//
// Beside each form and instruction stands its bit layout, most significant
// bit first, as the AVR instruction set manual writes it: 0 and 1 are opcode
// bits (o where a form leaves them to its instruction), and the letters name
// the operand fields: d destination register, r source register, K constant,
// k address or branch offset, A I/O address, b bit number.
#include <cstdint>

namespace Compiler {

// One encoded instruction: `size` bytes (2 or 4) of `value`, low byte first.
struct Encoded {
  uint32_t value;
  unsigned size;

  constexpr uint8_t Byte(unsigned index) const { return static_cast<uint8_t>(value >> (8 * index)); }
  constexpr bool operator==(const Encoded&) const = default;
};

// Puts the low bits of `operand` into the set bits of `mask`, lowest first.
constexpr uint32_t Scatter(uint32_t value, uint32_t mask, uint32_t operand) {
  for (unsigned bit = 0; bit < 32; ++bit) {
    uint32_t position = 1u << bit;
    if (mask & position) {
      value = (value & ~position) | ((operand & 1u) << bit);
      operand >>= 1;
    }
  }
  return value;
}

template <unsigned opcode, unsigned maskA, unsigned maskB, unsigned bytes>
struct TwoOperandsInstruction {
  static constexpr unsigned Opcode = opcode;
  static constexpr unsigned MaskA = maskA;
  static constexpr unsigned MaskB = maskB;
  static constexpr unsigned Bytes = bytes;

  static constexpr Encoded Encode(uint32_t a = 0, uint32_t b = 0) {
    return {Scatter(Scatter(opcode, maskA, a), maskB, b), bytes};
  }
};

// The two forms whose address operand the link step fills in. The address is
// the second instruction word, the high half of the 32-bit value.
using LdsInstruction = TwoOperandsInstruction<0x9000u, 0x01F0u, 0xFFFF0000u, 4u>;
using StsInstruction = TwoOperandsInstruction<0x9200u, 0x01F0u, 0xFFFF0000u, 4u>;

namespace Detail {
using LdiForm = TwoOperandsInstruction<0xE000u, 0x00F0u, 0x0F0Fu, 2u>;
// oooo oord dddd rrrr
template <unsigned opcode>
using RegisterPair = TwoOperandsInstruction<opcode, 0x01F0u, 0x020Fu, 2u>;
// oooo oooo AAAA Abbb
template <unsigned opcode>
using IoBit = TwoOperandsInstruction<opcode, 0x00F8u, 0x0007u, 2u>;
// oooo ooor rrrr obbb
template <unsigned opcode>
using RegisterBit = TwoOperandsInstruction<opcode, 0x01F0u, 0x0007u, 2u>;
// oooo ookk kkkk kooo
template <unsigned opcode>
using Branch = TwoOperandsInstruction<opcode, 0x03F8u, 0u, 2u>;
// oooo oooo oooo oooo
template <unsigned opcode>
using NoOperand = TwoOperandsInstruction<opcode, 0u, 0u, 2u>;
}  // namespace Detail

// LDI takes r16..r31; the field holds Rd - 16, i.e. the low four bits of Rd.
// 1110 KKKK dddd KKKK
constexpr Encoded LDI(unsigned rd, unsigned k) { return Detail::LdiForm::Encode(rd - 16u, k); }
// 1001 000d dddd 0000  kkkk kkkk kkkk kkkk
constexpr Encoded LDS(unsigned rd, unsigned address) { return LdsInstruction::Encode(rd, address); }
// 1001 001r rrrr 0000  kkkk kkkk kkkk kkkk
constexpr Encoded STS(unsigned address, unsigned rr) { return StsInstruction::Encode(rr, address); }

// 0000 11rd dddd rrrr
constexpr Encoded ADD(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x0C00u>::Encode(rd, rr); }
// 0001 11rd dddd rrrr
constexpr Encoded ADC(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x1C00u>::Encode(rd, rr); }
// 0001 10rd dddd rrrr
constexpr Encoded SUB(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x1800u>::Encode(rd, rr); }
// 0000 10rd dddd rrrr
constexpr Encoded SBC(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x0800u>::Encode(rd, rr); }
// 0010 00rd dddd rrrr
constexpr Encoded AND(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x2000u>::Encode(rd, rr); }
// 0010 10rd dddd rrrr
constexpr Encoded OR(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x2800u>::Encode(rd, rr); }
// 0010 01rd dddd rrrr
constexpr Encoded EOR(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x2400u>::Encode(rd, rr); }
// 0010 11rd dddd rrrr
constexpr Encoded MOV(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x2C00u>::Encode(rd, rr); }
// 0001 01rd dddd rrrr
constexpr Encoded CP(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x1400u>::Encode(rd, rr); }
// 0000 01rd dddd rrrr
constexpr Encoded CPC(unsigned rd, unsigned rr) { return Detail::RegisterPair<0x0400u>::Encode(rd, rr); }
// 1001 010d dddd 0011
constexpr Encoded INC(unsigned rd) { return TwoOperandsInstruction<0x9403u, 0x01F0u, 0u, 2u>::Encode(rd); }

// I/O addresses 0..31 (the bit-addressable range), bits 0..7.
// 1001 1001 AAAA Abbb
constexpr Encoded SBIC(unsigned ioAddress, unsigned bit) { return Detail::IoBit<0x9900u>::Encode(ioAddress, bit); }
// 1001 1010 AAAA Abbb
constexpr Encoded SBI(unsigned ioAddress, unsigned bit) { return Detail::IoBit<0x9A00u>::Encode(ioAddress, bit); }
// 1001 1000 AAAA Abbb
constexpr Encoded CBI(unsigned ioAddress, unsigned bit) { return Detail::IoBit<0x9800u>::Encode(ioAddress, bit); }
// 1111 111r rrrr 0bbb
constexpr Encoded SBRS(unsigned rr, unsigned bit) { return Detail::RegisterBit<0xFE00u>::Encode(rr, bit); }
// 1111 110r rrrr 0bbb
constexpr Encoded SBRC(unsigned rr, unsigned bit) { return Detail::RegisterBit<0xFC00u>::Encode(rr, bit); }

// Conditional branches; `words` is the signed distance from the next instruction.
// 1111 00kk kkkk k100
constexpr Encoded BRLT(int words) { return Detail::Branch<0xF004u>::Encode(static_cast<uint32_t>(words)); }
// 1111 01kk kkkk k100
constexpr Encoded BRGE(int words) { return Detail::Branch<0xF404u>::Encode(static_cast<uint32_t>(words)); }
// 1111 00kk kkkk k001
constexpr Encoded BREQ(int words) { return Detail::Branch<0xF001u>::Encode(static_cast<uint32_t>(words)); }
// 1111 01kk kkkk k001
constexpr Encoded BRNE(int words) { return Detail::Branch<0xF401u>::Encode(static_cast<uint32_t>(words)); }

// 1001 0101 0000 1001
constexpr Encoded ICALL() { return Detail::NoOperand<0x9509u>::Encode(); }
// 1001 0100 0000 1001
constexpr Encoded IJMP() { return Detail::NoOperand<0x9409u>::Encode(); }
// 1001 0101 0000 1000
constexpr Encoded RET() { return Detail::NoOperand<0x9508u>::Encode(); }

}  // namespace Compiler
