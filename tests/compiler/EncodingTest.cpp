// The encoder is checked against avr-objdump: every instruction the generator
// emits, at its boundary registers and operands, is written to a file and
// disassembled; the listing must read back as the instruction we meant.
#include "compiler/Binary.h"
#include "compiler/Instructions.h"

#include <gtest/gtest.h>

#include "Objdump.h"

#include <string>
#include <vector>

namespace {

using namespace Compiler;

struct Case {
  Encoded instruction;
  std::string expected;  // mnemonic and operands as objdump prints them
};

void ExpectDisassembly(const std::vector<Case>& cases, const std::string& machine) {
  Binary binary;
  for (const auto& c : cases) binary.Emit(c.instruction);
  auto listing = Objdump::Disassemble(binary.code, machine);
  ASSERT_EQ(listing.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(listing[i], cases[i].expected) << "instruction " << i;
}

// Every register-pair instruction at the corners of both five-bit fields:
// r0/r31 set or clear every bit of Rd and Rr, r15/r16 split them at bit 4.
std::vector<Case> RegisterPairCases() {
  struct Form {
    Encoded (*encode)(unsigned, unsigned);
    const char* mnemonic;
  };
  const Form forms[] = {{ADD, "add"}, {ADC, "adc"}, {SUB, "sub"}, {SBC, "sbc"}, {AND, "and"},
                        {OR, "or"},   {EOR, "eor"}, {MOV, "mov"}, {CP, "cp"},   {CPC, "cpc"}};
  const unsigned pairs[][2] = {{0, 31}, {31, 0}, {0, 0}, {31, 31}, {15, 16}, {16, 15}, {24, 22}, {25, 23}};
  std::vector<Case> cases;
  for (const auto& form : forms)
    for (const auto& pair : pairs)
      cases.push_back({form.encode(pair[0], pair[1]),
                       std::string(form.mnemonic) + " r" + std::to_string(pair[0]) + ", r" + std::to_string(pair[1])});
  return cases;
}

TEST(Encoding, RegisterPairInstructionsMatchObjdump) { ExpectDisassembly(RegisterPairCases(), "avr25"); }

TEST(Encoding, ImmediateMemoryAndBitInstructionsMatchObjdump) {
  std::vector<Case> cases = {
      {LDI(16, 0x00), "ldi r16, 0x00"},
      {LDI(31, 0xFF), "ldi r31, 0xFF"},
      {LDI(16, 0xFF), "ldi r16, 0xFF"},
      {LDI(31, 0x00), "ldi r31, 0x00"},
      {LDI(24, 0xA5), "ldi r24, 0xA5"},
      {LDI(30, 0x78), "ldi r30, 0x78"},
      {LDS(0, 0x0000), "lds r0, 0x0000"},
      {LDS(31, 0xFFFF), "lds r31, 0xFFFF"},
      {LDS(24, 0x00DE), "lds r24, 0x00DE"},
      {LDS(17, 0x8001), "lds r17, 0x8001"},
      {STS(0x0000, 0), "sts 0x0000, r0"},
      {STS(0xFFFF, 31), "sts 0xFFFF, r31"},
      {STS(0x00DF, 25), "sts 0x00DF, r25"},
      {STS(0x8001, 17), "sts 0x8001, r17"},
      {INC(0), "inc r0"},
      {INC(31), "inc r31"},
      {INC(24), "inc r24"},
      {SBIC(0x00, 0), "sbic 0x00, 0"},
      {SBIC(0x1F, 7), "sbic 0x1f, 7"},
      {SBIC(0x16, 3), "sbic 0x16, 3"},
      {SBI(0x00, 7), "sbi 0x00, 7"},
      {SBI(0x1F, 0), "sbi 0x1f, 0"},
      {SBI(0x18, 4), "sbi 0x18, 4"},
      {CBI(0x00, 0), "cbi 0x00, 0"},
      {CBI(0x1F, 7), "cbi 0x1f, 7"},
      {CBI(0x1B, 5), "cbi 0x1b, 5"},
      {SBRS(0, 0), "sbrs r0, 0"},
      {SBRS(31, 7), "sbrs r31, 7"},
      {SBRS(16, 5), "sbrs r16, 5"},
      {SBRC(0, 7), "sbrc r0, 7"},
      {SBRC(31, 0), "sbrc r31, 0"},
      {SBRC(15, 2), "sbrc r15, 2"},
  };
  ExpectDisassembly(cases, "avr25");
}

TEST(Encoding, BranchesAndIndirectJumpsMatchObjdump) {
  // objdump shows branch distances in bytes, relative to the next instruction.
  std::vector<Case> cases = {
      {BRLT(3), "brlt .+6"},
      {BRLT(0), "brlt .+0"},
      {BRLT(63), "brlt .+126"},
      {BRLT(-64), "brlt .-128"},
      {BRLT(-1), "brlt .-2"},
      {BRGE(3), "brge .+6"},
      {BRGE(63), "brge .+126"},
      {BRGE(-64), "brge .-128"},
      {BREQ(3), "breq .+6"},
      {BREQ(-1), "breq .-2"},
      {BREQ(63), "breq .+126"},
      {BRNE(3), "brne .+6"},
      {BRNE(-64), "brne .-128"},
      {BRNE(1), "brne .+2"},
      {ICALL(), "icall"},
      {IJMP(), "ijmp"},
      {RET(), "ret"},
  };
  ExpectDisassembly(cases, "avr25");
}

TEST(Encoding, ListingAlsoReadsBackOnTheMega) {
  // The same words mean the same on the ATmega core (avr5).
  auto cases = RegisterPairCases();
  cases.push_back({LDS(31, 0x017E), "lds r31, 0x017E"});
  cases.push_back({STS(0x0100, 0), "sts 0x0100, r0"});
  cases.push_back({ICALL(), "icall"});
  ExpectDisassembly(cases, "avr5");
}

TEST(Encoding, InstructionBytesAreWrittenLowByteFirst) {
  Binary binary;
  binary.Emit(RET());
  binary.Emit(ICALL());
  binary.Emit(IJMP());
  binary.Emit(LDS(24, 0x1234));
  EXPECT_EQ(binary.code, (std::vector<uint8_t>{0x08, 0x95, 0x09, 0x95, 0x09, 0x94, 0x80, 0x91, 0x34, 0x12}));
  EXPECT_EQ(binary.position, 10u);
}

TEST(Encoding, ScatterDropsOperandBitsBeyondTheMask) {
  // A value wider than K's eight bits keeps its low byte; Rd below r16 keeps
  // its low four bits; an I/O address above 31 loses its upper bits.
  EXPECT_EQ(LDI(16, 0x1FF), LDI(16, 0xFF));
  EXPECT_EQ(LDI(8, 0x12), LDI(24, 0x12));
  EXPECT_EQ(SBI(0x3F, 1), SBI(0x1F, 1));
  EXPECT_EQ(LDS(24, 0x12345), LDS(24, 0x2345));
  EXPECT_EQ(INC(32 + 5), INC(5));
  // Bits of the opcode under a mask are replaced, not merged.
  using Filled = TwoOperandsInstruction<0xFFFFu, 0x00F0u, 0x000Fu, 2u>;
  EXPECT_EQ(Filled::Encode(0, 0).value, 0xFF00u);
  EXPECT_EQ(Filled::Encode(0xA, 0x5).value, 0xFFA5u);
}

}  // namespace
