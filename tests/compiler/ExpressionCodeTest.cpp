// Loading operands, operations on two operands and compare-and-branch, read
// back with avr-objdump.
#include <gtest/gtest.h>

#include <stdexcept>

#include "CodeListing.h"
#include "compiler/Expressions.h"

namespace {

using namespace Compiler;
using namespace CodeListing;

template <class Body>
void ExpectRuntimeError(Body body, const std::string& text) {
  try {
    body();
    ADD_FAILURE() << "expected the error " << text;
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(error.what(), text);
  }
}

TEST(OperandCode, LiteralsAreLoadedAsTheirLow16Bits) {
  Program program;
  program.CodifyExpression(ValueExpression::Literal(static_cast<uint16_t>(-1)), 24, 25);
  program.CodifyExpression(ValueExpression::Literal(static_cast<uint16_t>(70000)), 22, 23);
  program.CodifyExpression(ValueExpression::Literal(0x1234), 16, 31);
  EXPECT_EQ(LinkAndList(program, ProgramStart), (Lines_t{"ldi r24, 0xFF", "ldi r25, 0xFF", "ldi r22, 0x70",
                                                         "ldi r23, 0x11", "ldi r16, 0x34", "ldi r31, 0x12"}));
}

TEST(OperandCode, VariableReadsBothBytesOfItsSymbol) {
  Program program;
  program.CodifyExpression(ValueExpression::IntegerVariable("var1"), 20, 21);
  const unsigned var1 = program.locations.at("var1");
  EXPECT_EQ(var1, 0xDCu);
  EXPECT_EQ(LinkAndList(program, ProgramStart), (Lines_t{"lds r20, " + Hex4(var1), "lds r21, " + Hex4(var1 + 1)}));
}

TEST(OperandCode, PinBitIsLoadedAsZeroOrOne) {
  Program program;
  program.CodifyExpression(ValueExpression::IoBit("PINB", 3, "PINB.3"), 24, 25);
  EXPECT_EQ(LinkAndList(program, ProgramStart), (Lines_t{"eor r24, r24", "eor r25, r25", "sbic 0x16, 3", "inc r24"}));
  ExpectRuntimeError([&] { program.CodifyExpression(ValueExpression::IoBit("PIND", 2, "Knopf (PIND.2)"), 24, 25); },
                     "Diesen Anschluss gibt es auf dem Board Mandolet nicht: Knopf (PIND.2)");
}

TEST(OperandCode, EveryFlashStringUseStoresItsTextOnceMore) {
  Program program;
  program.CodifyExpression(ValueExpression::FlashString("Hallo"), 24, 25);
  program.CodifyExpression(ValueExpression::FlashString("Hallo"), 22, 23);
  program.CodifyExpression(ValueExpression::FlashString(""), 20, 21);
  ASSERT_EQ(program.stringConstants.size(), 3u);
  EXPECT_EQ(program.stringConstants[0], (std::pair<std::string, std::string>{"loc1", "Hallo"}));
  EXPECT_EQ(program.stringConstants[1], (std::pair<std::string, std::string>{"loc2", "Hallo"}));
  const uint32_t stringsAt = ProgramStart + 12;
  EXPECT_EQ(LinkAndList(program, ProgramStart),
            (Lines_t{"ldi r24, " + Hex2(stringsAt), "ldi r25, " + Hex2(stringsAt >> 8),
                     "ldi r22, " + Hex2(stringsAt + 6), "ldi r23, " + Hex2((stringsAt + 6) >> 8),
                     "ldi r20, " + Hex2(stringsAt + 12), "ldi r21, " + Hex2((stringsAt + 12) >> 8)}));
  const std::vector<uint8_t> strings(program.binary.code.begin() + stringsAt, program.binary.code.end());
  EXPECT_EQ(strings, (std::vector<uint8_t>{'H', 'a', 'l', 'l', 'o', 0, 'H', 'a', 'l', 'l', 'o', 0, 0}));
}

TEST(OperandCode, RefusesWhatTheGeneratorNeverAsksFor) {
  Program program;
  ExpectRuntimeError([&] { program.CodifyExpression(ValueExpression::Literal(1), 15, 25); },
                     "LiteralExpresion may not be stored in registers lower than r16");
  ExpectRuntimeError([&] { program.CodifyExpression(ValueExpression::Literal(1), 24, 0); },
                     "LiteralExpresion may not be stored in registers lower than r16");
  ExpectRuntimeError([&] { program.CodifyExpression(ValueExpression::FlashString("x"), 2, 3); },
                     "Flash-addresses may not be stored in registers lower than r16");
  MathExpression unknown{ValueExpression::Literal(1), 6, ValueExpression::Literal(2)};
  ExpectRuntimeError([&] { program.CodifyExpression(unknown); }, "Operation not yet supported");
  ExpectRuntimeError(
      [&] {
        program.CompareAndBranch(ValueExpression::Literal(1), static_cast<Program::CompareMode>(6),
                                 ValueExpression::Literal(2), UnknownAddress("loc9"));
      },
      "Yet unsupported CompareMode encountered");
}

TEST(OperandCode, UnknownKindsAreReadAsIoBits) {
  Program program;
  ValueExpression strange = ValueExpression::IoBit("PINA", 7, "PINA.7");
  strange.kind = 17;
  program.CodifyExpression(strange, 24, 25);
  EXPECT_EQ(LinkAndList(program, ProgramStart), (Lines_t{"eor r24, r24", "eor r25, r25", "sbic 0x19, 7", "inc r24"}));
}

Lines_t OperationListing(int op) {
  Program program;
  program.CodifyExpression(MathExpression{ValueExpression::IntegerVariable("var2"), op, ValueExpression::Literal(7)});
  const unsigned var2 = program.locations.at("var2");
  Lines_t operands{"lds r24, " + Hex4(var2), "lds r25, " + Hex4(var2 + 1), "ldi r22, 0x07", "ldi r23, 0x00"};
  Lines_t listing = LinkAndList(program, ProgramStart);
  EXPECT_EQ(Lines_t(listing.begin(), listing.begin() + 4), operands);
  return Lines_t(listing.begin() + 4, listing.end());
}

TEST(OperationCode, EveryOperatorLeavesItsResultInR24R25) {
  Program program;
  EXPECT_EQ(OperationListing(0), (Lines_t{"add r24, r22", "adc r25, r23"}));
  EXPECT_EQ(OperationListing(1), (Lines_t{"sub r24, r22", "sbc r25, r23"}));
  EXPECT_EQ(OperationListing(2), Lines({LoadZ(program, "__mulhi3"), {"icall"}}));
  EXPECT_EQ(OperationListing(3), Lines({LoadZ(program, "__divmodhi4"), {"icall", "mov r24, r22", "mov r25, r23"}}));
  EXPECT_EQ(OperationListing(4), (Lines_t{"or r24, r22", "or r25, r23"}));
  EXPECT_EQ(OperationListing(5), (Lines_t{"and r24, r22", "and r25, r23"}));
}

// The code after the two operands of a comparison whose target is loc1+2,
// with loc1 at 0x300.
Lines_t CompareListing(Program::CompareMode mode) {
  Program program;
  program.CompareAndBranch(ValueExpression::Literal(1), mode, ValueExpression::Literal(2), UnknownAddress("loc1", 2));
  program.DefineLabel("loc1", 0x300);
  Lines_t listing = LinkAndList(program, ProgramStart);
  EXPECT_EQ(Lines_t(listing.begin(), listing.begin() + 4),
            (Lines_t{"ldi r24, 0x01", "ldi r25, 0x00", "ldi r20, 0x02", "ldi r21, 0x00"}));
  return Lines_t(listing.begin() + 4, listing.end());
}

TEST(CompareCode, GreaterAndLessOrEqualSwapTheOperands) {
  const Lines_t jump = Lines({LoadZ(0x302), {"ijmp"}});
  EXPECT_EQ(CompareListing(Program::CompareGreater), Lines({{"cp r20, r24", "cpc r21, r25", "brlt .+6"}, jump}));
  EXPECT_EQ(CompareListing(Program::CompareLessOrEqual), Lines({{"cp r20, r24", "cpc r21, r25", "brge .+6"}, jump}));
  EXPECT_EQ(CompareListing(Program::CompareLess), Lines({{"cp r24, r20", "cpc r25, r21", "brlt .+6"}, jump}));
  EXPECT_EQ(CompareListing(Program::CompareGreaterOrEqual), Lines({{"cp r24, r20", "cpc r25, r21", "brge .+6"}, jump}));
  EXPECT_EQ(CompareListing(Program::CompareEqual), Lines({{"cp r24, r20", "cpc r25, r21", "breq .+6"}, jump}));
  EXPECT_EQ(CompareListing(Program::CompareNotEqual), Lines({{"cp r24, r20", "cpc r25, r21", "brne .+6"}, jump}));
}

}  // namespace
