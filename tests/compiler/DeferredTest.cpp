// Emission into the image and the second pass of each deferred kind.
#include "compiler/Binary.h"

#include "Objdump.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Compiler;

TEST(Binary, EmitAppendsAtTheEndAndOverwritesInside) {
  Binary binary;
  binary.Emit(LDI(24, 1));
  binary.Emit(LDI(25, 2));
  ASSERT_EQ(binary.code.size(), 4u);
  EXPECT_EQ(binary.position, 4u);

  binary.position = 0;
  binary.Emit(RET());
  EXPECT_EQ(binary.code, (std::vector<uint8_t>{0x08, 0x95, 0x92, 0xE0}));
  EXPECT_EQ(binary.position, 2u);

  // A 4-byte value overlapping the end stays inside the vector.
  binary.Emit(LDS(0, 0xABCD));
  EXPECT_EQ(binary.code, (std::vector<uint8_t>{0x08, 0x95, 0x00, 0x90, 0xCD, 0xAB}));
  EXPECT_EQ(binary.position, 6u);
}

// Runs the second pass of `instruction` as if it stood at byte 2 of an image
// of NOPs, and returns the disassembled image.
std::vector<std::string> PatchedListing(DeferedInstruction& instruction, uint16_t address) {
  Binary binary;
  binary.code.assign(8, 0x00);
  binary.position = 8;
  instruction.codePosition = 2;
  instruction.address = address;
  instruction.SecondPass(binary);
  EXPECT_EQ(binary.code.size(), 8u) << "the second pass only overwrites";
  EXPECT_EQ(binary.position, 6u);
  return Objdump::Disassemble(binary.code, "avr25");
}

TEST(DeferedInstruction, CodeAddressToZLoadsTheWordAddress) {
  DeferedCodeAddressToZ toZ(UnknownAddress("program_start"));
  EXPECT_EQ(PatchedListing(toZ, 752), (std::vector<std::string>{"nop", "ldi r30, 0x78", "ldi r31, 0x01", "nop"}));
  EXPECT_EQ(PatchedListing(toZ, 0xFFFE), (std::vector<std::string>{"nop", "ldi r30, 0xFF", "ldi r31, 0x7F", "nop"}));
  EXPECT_EQ(PatchedListing(toZ, 0x0200), (std::vector<std::string>{"nop", "ldi r30, 0x00", "ldi r31, 0x01", "nop"}));
}

TEST(DeferedInstruction, LoadFlashAddressLoadsTheByteAddress) {
  DeferedLoadFlashAddress flash(UnknownAddress("loc1"), 24, 25);
  EXPECT_EQ(PatchedListing(flash, 0x02F3), (std::vector<std::string>{"nop", "ldi r24, 0xF3", "ldi r25, 0x02", "nop"}));
  DeferedLoadFlashAddress other(UnknownAddress("loc2"), 20, 31);
  EXPECT_EQ(PatchedListing(other, 0xFF00), (std::vector<std::string>{"nop", "ldi r20, 0x00", "ldi r31, 0xFF", "nop"}));
}

TEST(DeferedInstruction, LdsAndStsAccessTheLabelsAddress) {
  DeferedLDS load(UnknownAddress("var0", 1), 25);
  EXPECT_EQ(PatchedListing(load, 0x00DF), (std::vector<std::string>{"nop", "lds r25, 0x00DF", "nop"}));
  DeferedSTS store(UnknownAddress("var63"), 0);
  EXPECT_EQ(PatchedListing(store, 0x0060), (std::vector<std::string>{"nop", "sts 0x0060, r0", "nop"}));
  DeferedSTS high(UnknownAddress("var1"), 31);
  EXPECT_EQ(PatchedListing(high, 0xFFFF), (std::vector<std::string>{"nop", "sts 0xFFFF, r31", "nop"}));
}

}  // namespace
