// Conversion of parsed operands into operands of generated code, and the
// code of single assignments.
#include <gtest/gtest.h>

#include <stdexcept>

#include "CodeListing.h"
#include "compiler/Expressions.h"
#include "language/Expressions.h"

namespace {

using namespace Compiler;
using namespace CodeListing;

// The default operand table plus the input pins PINB.2 and PINA.7, a pin, a
// port and ADC channels with malformed names, and aliases.
class Operands : public ::testing::Test {
protected:
  Operands() {
    Add("PINB.2", VariableKind::Pin);
    Add("PINA.7", VariableKind::Pin);
    Add("PINB", VariableKind::Pin);
    Add("PINB.x", VariableKind::Pin);
    Add("ADCx", VariableKind::ADC);
    Add("AD", VariableKind::ADC);
    Add("PORTX", VariableKind::Port);
    EXPECT_TRUE(variables.AddAlias("Zaehler", "var3"));
    EXPECT_TRUE(variables.AddAlias("Led", "PORTB.1"));
    EXPECT_TRUE(variables.AddAlias("Taster", "PINB.2"));
  }

  void Add(const std::string& name, int kind) { variables.variableList.push_back(new Variable(name, kind)); }

  ValueExpression Convert(const std::string& text) { return RightSideToken(variables, text).ToValueExpression(); }

  std::string ConversionError(const std::string& rightSide) {
    try {
      RightSide parsed(variables, rightSide);
      if (parsed.op == MathOperator::None)
        parsed.first.ToValueExpression();
      else
        parsed.ToMathExpression();
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "no error";
  }

  Lines_t Listing(const std::string& assignment) {
    ParsedAssignment parsed(variables, assignment);
    EXPECT_TRUE(parsed.target) << assignment;
    Program program;
    parsed.WriteCode(program);
    return LinkAndList(program, ProgramStart);
  }

  std::string CodeError(const std::string& assignment) {
    try {
      Program program;
      ParsedAssignment(variables, assignment).WriteCode(program);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "no error";
  }

  Variables variables;
};

TEST_F(Operands, LiteralsKeepTheirLow16Bits) {
  EXPECT_EQ(Convert("-1").kind, ValueExpression::ValueLiteral);
  EXPECT_EQ(Convert("-1").value, 0xFFFF);
  EXPECT_EQ(Convert("70000").value, 4464);
  EXPECT_EQ(Convert("-32768").value, 0x8000);
}

TEST_F(Operands, VariablesPinsAndChannelsAreResolvedThroughTheirAliases) {
  ValueExpression var = Convert("Zaehler");
  EXPECT_EQ(var.kind, ValueExpression::ValueVariable);
  EXPECT_EQ(var.variable.label, "var3");
  EXPECT_EQ(var.variable.offset, 0);

  ValueExpression pin = Convert("Taster");
  EXPECT_EQ(pin.kind, ValueExpression::ValueIoBit);
  EXPECT_EQ(pin.port, "PINB");
  EXPECT_EQ(pin.bit, 2);

  ValueExpression channel = Convert("ADC3");
  EXPECT_EQ(channel.kind, ValueExpression::ValueLiteral);
  EXPECT_EQ(channel.value, 3);
}

TEST_F(Operands, OperandsWithoutAValueOrWithMalformedNamesAreRefusedByName) {
  const std::string unreadable = "Einen Ausgang kannst du nur setzen, nicht lesen: ";
  EXPECT_EQ(ConversionError("PORTB.0"), unreadable + "PORTB.0");
  EXPECT_EQ(ConversionError("Led"), unreadable + "Led (PORTB.1)") << "the alias is named with its target";
  EXPECT_EQ(ConversionError("PINB"),
            "Dieser Anschluss braucht einen Namen aus Register, Punkt und Bitnummer wie PINB.2: PINB");
  EXPECT_EQ(ConversionError("PINB.x"), "Dieser Anschluss hat keine gültige Bitnummer (0 bis 7): PINB.x");
  const std::string channel = "Dieser Analogeingang hat keine gültige Kanalnummer (ADC0 bis ADC15): ";
  EXPECT_EQ(ConversionError("ADCx"), channel + "ADCx");
  EXPECT_EQ(ConversionError("AD"), channel + "AD");
  EXPECT_EQ(ConversionError("var1 + PORTB.0"), unreadable + "PORTB.0");
  EXPECT_EQ(ConversionError("PORTB.0 + PORTB.2"), unreadable + "PORTB.2") << "the second operand comes first";
  EXPECT_EQ(ConversionError("PINB + PORTB.2"), unreadable + "PORTB.2");
}

TEST_F(Operands, RightSideWithoutOperatorIsNoOperation) {
  EXPECT_THROW(
      try { RightSide(variables, "var1").ToMathExpression(); } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ToMathExpression() called, but item is ValueExpression");
        throw;
      },
      std::runtime_error);
}

TEST_F(Operands, ChannelInArithmeticIsItsNumber) {
  MathExpression sum = RightSide(variables, "var1 + ADC2").ToMathExpression();
  EXPECT_EQ(sum.op, MathOperator::Add);
  EXPECT_EQ(sum.left.kind, ValueExpression::ValueVariable);
  EXPECT_EQ(sum.right.kind, ValueExpression::ValueLiteral);
  EXPECT_EQ(sum.right.value, 2);
}

TEST_F(Operands, PortBitFromLiteralIsOneInstruction) {
  EXPECT_EQ(Listing("PORTB.1 = 1"), (Lines_t{"sbi 0x18, 1"}));
  EXPECT_EQ(Listing("PORTB.1 = 0"), (Lines_t{"cbi 0x18, 1"}));
  EXPECT_EQ(Listing("Led = 1"), (Lines_t{"sbi 0x18, 1"}));
}

TEST_F(Operands, PortBitFromPinTakesBitZero) {
  EXPECT_EQ(Listing("PORTB.1 = PINB.2"), (Lines_t{"eor r24, r24", "eor r25, r25", "sbic 0x16, 2", "inc r24",
                                                  "sbrs r24, 0", "cbi 0x18, 1", "sbrc r24, 0", "sbi 0x18, 1"}));
  EXPECT_EQ(Listing("PORTB.3 = PINA.7 & 1"),
            (Lines_t{"eor r24, r24", "eor r25, r25", "sbic 0x19, 7", "inc r24", "ldi r22, 0x01", "ldi r23, 0x00",
                     "and r24, r22", "and r25, r23", "sbrs r24, 0", "cbi 0x18, 3", "sbrc r24, 0", "sbi 0x18, 3"}));
}

TEST_F(Operands, IntegerTargetStoresBothBytes) {
  Program program;
  const unsigned var0 = program.locations.at("var0"), var1 = program.locations.at("var1");
  EXPECT_EQ(Listing("var0 = var1 + 2"), (Lines_t{"lds r24, " + Hex4(var1), "lds r25, " + Hex4(var1 + 1),
                                                 "ldi r22, 0x02", "ldi r23, 0x00", "add r24, r22", "adc r25, r23",
                                                 "sts " + Hex4(var0) + ", r24", "sts " + Hex4(var0 + 1) + ", r25"}));
  const unsigned var3 = program.locations.at("var3");
  EXPECT_EQ(Listing("Zaehler = -1"), (Lines_t{"ldi r24, 0xFF", "ldi r25, 0xFF", "sts " + Hex4(var3) + ", r24",
                                              "sts " + Hex4(var3 + 1) + ", r25"}));
  EXPECT_EQ(Listing("var0 = 70000 / ADC4"),
            Lines({{"ldi r24, 0x70", "ldi r25, 0x11", "ldi r22, 0x04", "ldi r23, 0x00"},
                   LoadZ(program, "__divmodhi4"),
                   {"icall", "mov r24, r22", "mov r25, r23", "sts " + Hex4(var0) + ", r24",
                    "sts " + Hex4(var0 + 1) + ", r25"}}));
}

TEST_F(Operands, PinTargetHasNoCode) { EXPECT_EQ(Listing("PINB.2 = PINA.7"), Lines_t{}); }

TEST_F(Operands, PortTargetFailures) {
  EXPECT_EQ(CodeError("PORTB.1 = 5"), "Diesem Ausgang kannst du nur 0 oder 1 zuweisen: PORTB.1");
  EXPECT_EQ(CodeError("Led = 2"), "Diesem Ausgang kannst du nur 0 oder 1 zuweisen: Led (PORTB.1)");
  const std::string missing = "Diesen Anschluss gibt es auf dem Board Mandolet nicht: ";
  EXPECT_EQ(CodeError("PORTC.6 = 1"), missing + "PORTC.6");
  EXPECT_EQ(CodeError("PORTC.6 = PINB.2"), missing + "PORTC.6");
  EXPECT_EQ(CodeError("PORTB.1 = PIND.2"), missing + "PIND.2");
  EXPECT_EQ(CodeError("PORTB.1 = PORTB.2"), "Einen Ausgang kannst du nur setzen, nicht lesen: PORTB.2");
  EXPECT_EQ(CodeError("PORTX = 1"),
            "Dieser Anschluss braucht einen Namen aus Register, Punkt und Bitnummer wie "
            "PINB.2: PORTX");
}

}  // namespace
