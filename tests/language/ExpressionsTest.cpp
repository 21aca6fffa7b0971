#include "DefaultSettings.h"

#include "language/Expressions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ExpressionsTest : public DefaultSettingsTest {
protected:
  void SetUp() override {
    DefaultSettingsTest::SetUp();
    table = std::make_unique<Variables>();
    ASSERT_TRUE(table->AddAlias("Led", "PORTB.0"));
    ASSERT_TRUE(table->AddAlias("a", "var10"));
    ASSERT_TRUE(table->AddAlias("b", "var11"));
  }

  std::string Assign(const std::string& text) const { return ParsedAssignment(*table, text).GetString(" "); }
  bool AssignValid(const std::string& text) const { return ParsedAssignment(*table, text).IsValid(); }
  std::string Compare(const std::string& text) const { return ParsedCompare(*table, text).GetString(" "); }

  std::unique_ptr<Variables> table;
};

// --- number rule ----------------------------------------------------------

TEST(NumberRule, AcceptsDecimalAndCapitalHexWithinThirtyTwoBits) {
  struct Case {
    const char* text;
    int value;
  };
  for (const Case& c : {Case{"007", 7}, Case{"&H1F", 31}, Case{"&Hff", 255}, Case{"&HFFFF", 65535}, Case{"-5", -5},
                        Case{"0", 0}, Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483647 - 1},
                        Case{"&H-1F", -31}, Case{"&H 10", 16}, Case{"&H0x10", 16}, Case{"&H7FFFFFFF", 2147483647}}) {
    int value = 12345;
    EXPECT_TRUE(NumberLiteral::Parse(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(NumberRule, RefusesEverythingElse) {
  for (const char* text : {"&h1F", "&H", "&", "-", "12a", "1 2", "2147483648", "-2147483649", "&H80000000",
                           "99999999999999999999999", "0x10", "- 5", "5 ", "&H1G", ""}) {
    int value = 12345;
    EXPECT_FALSE(NumberLiteral::Parse(text, value)) << text;
    EXPECT_EQ(value, 12345) << text;
  }
  int value = 0;
  EXPECT_FALSE(NumberLiteral::Parse(std::string("1\0"
                                                "2",
                                                3),
                                    value))
      << "an embedded NUL ends nothing";
}

TEST(NumberRule, DecidesWhichTextsAreLiterals) {
  EXPECT_TRUE(NumberLiteral::AppliesTo("&x"));
  EXPECT_TRUE(NumberLiteral::AppliesTo("-"));
  EXPECT_TRUE(NumberLiteral::AppliesTo("9abc"));
  EXPECT_FALSE(NumberLiteral::AppliesTo(""));
  EXPECT_FALSE(NumberLiteral::AppliesTo(" 1"));
  EXPECT_FALSE(NumberLiteral::AppliesTo("+1"));
  EXPECT_FALSE(NumberLiteral::AppliesTo("x1"));
}

// --- operand tokens ---------------------------------------------------------

TEST_F(ExpressionsTest, TokenTypesAndTexts) {
  RightSideToken one(*table, "1");
  EXPECT_EQ(one.GetType(), OperandType::BitLiteral);
  EXPECT_EQ(RightSideToken(*table, "0").GetType(), OperandType::BitLiteral);
  EXPECT_EQ(RightSideToken(*table, "2").GetType(), OperandType::NumLiteral);
  EXPECT_EQ(RightSideToken(*table, "-1").GetType(), OperandType::NumLiteral);
  EXPECT_EQ(RightSideToken(*table, "&H10").GetString(), "16");

  RightSideToken led(*table, "Led");
  EXPECT_EQ(led.GetType(), VariableKind::Port) << "an alias types as its target";
  EXPECT_EQ(led.GetString(), "Led") << "an alias keeps its own name";
  EXPECT_EQ(led.value, 0);

  for (const char* bad : {"", " var1", "var1 ", "VAR1", "12a", "-x", "&h10"}) {
    RightSideToken token(*table, bad);
    EXPECT_FALSE(token.valid) << bad;
    EXPECT_EQ(token.GetType(), 0) << bad;
    EXPECT_EQ(token.GetString(), "") << bad;
  }
  EXPECT_FALSE(RightSideToken(*table, "-var1").valid) << "a minus makes a literal, never a name";
}

// --- right-side scan ------------------------------------------------------

TEST_F(ExpressionsTest, RightSideScanSignsAndOperators) {
  RightSide minusFive(*table, "-5");
  EXPECT_EQ(minusFive.op, MathOperator::None);
  EXPECT_EQ(minusFive.first.value, -5);
  EXPECT_EQ(minusFive.GetType(), OperandType::NumLiteral);

  RightSide twice(*table, "var2 - -5");
  EXPECT_EQ(twice.op, MathOperator::Subtract);
  EXPECT_EQ(twice.second.value, -5);

  RightSide tight(*table, "5-3");
  EXPECT_EQ(tight.op, MathOperator::Subtract);
  EXPECT_EQ(tight.first.value, 5);
  EXPECT_EQ(tight.second.value, 3);

  const char* ops = "+-*/|&";
  for (int i = 0; i < 6; ++i) {
    RightSide spaced(*table, std::string("var1 ") + ops[i] + " var2");
    RightSide packed(*table, std::string("var1") + ops[i] + "var2");
    EXPECT_EQ(spaced.op, i);
    EXPECT_EQ(packed.op, i);
    EXPECT_TRUE(packed.IsComplete());
    EXPECT_EQ(packed.GetString(), std::string("var1 ") + ops[i] + " var2");
  }
}

TEST_F(ExpressionsTest, RightSideOperatorAsFirstCharacter) {
  RightSide hex(*table, "&H10");
  EXPECT_EQ(hex.op, MathOperator::And);
  EXPECT_FALSE(hex.first.valid);
  EXPECT_FALSE(hex.second.valid) << "the text after & is H10, no name";
  EXPECT_FALSE(hex.IsComplete());

  RightSide plus(*table, "+5");
  EXPECT_EQ(plus.op, MathOperator::Add);
  EXPECT_FALSE(plus.first.valid);
  EXPECT_EQ(plus.second.value, 5);
  EXPECT_EQ(plus.GetString(), " + 5");

  RightSide empty(*table, "   ");
  EXPECT_EQ(empty.op, MathOperator::None);
  EXPECT_FALSE(empty.first.valid);
}

TEST_F(ExpressionsTest, RightSideIgnoresTrailingText) {
  EXPECT_EQ(RightSide(*table, "var2 var3").GetString(), "var2");
  EXPECT_EQ(RightSide(*table, "var2 + var3 var4").GetString(), "var2 + var3");
  EXPECT_EQ(RightSide(*table, "var2 + var3+var4").GetString(), "var2 + ") << "the second operand runs to a blank";
  EXPECT_EQ(RightSide(*table, "var2\t*\n\tvar3  ").GetString(), "var2 * var3");
  RightSide missing(*table, "var2 +   ");
  EXPECT_EQ(missing.op, MathOperator::Add);
  EXPECT_FALSE(missing.IsComplete());
}

TEST_F(ExpressionsTest, RightSideTypeIsTheUnionOfItsOperands) {
  EXPECT_EQ(RightSide(*table, "var1 + ADC0").GetType(), VariableKind::Integer | VariableKind::ADC);
  EXPECT_EQ(RightSide(*table, "ADC0 + 1").GetType(), VariableKind::ADC | OperandType::BitLiteral);
  EXPECT_EQ(RightSide(*table, "ADC0 + nix").GetType(), VariableKind::ADC);
  EXPECT_EQ(RightSide(*table, "ADC0 nix").GetType(), VariableKind::ADC);
}

// --- assignments ----------------------------------------------------------

TEST_F(ExpressionsTest, AssignmentRegeneration) {
  EXPECT_EQ(Assign("var1 = var2+1"), "var1 = var2 + 1");
  EXPECT_EQ(Assign("var1=var2 + 1"), "var1 = var2 + 1");
  EXPECT_EQ(Assign("  var1   =   -5 "), "var1 = -5");
  EXPECT_EQ(Assign("var1 = 1 + &H10"), "var1 = 1 + 16");
  EXPECT_EQ(Assign("var1 = &H10"), "var1 = ") << "incomplete right side is left out";
  EXPECT_EQ(Assign("var1 = var2 var3"), "var1 = var2");
  EXPECT_EQ(Assign("x = y = z"), "");
  EXPECT_EQ(Assign("var1 = var2 = var3"), "var1 = var2");
  EXPECT_EQ(Assign("nix = var2 * 3"), " = var2 * 3");
  EXPECT_EQ(Assign("var1"), "var1 = ");
  EXPECT_EQ(Assign("var1 ="), "var1 = ");
  EXPECT_EQ(Assign(""), "");
  EXPECT_EQ(Assign("="), "");
  EXPECT_EQ(Assign("Led = 1"), "Led = 1");
  EXPECT_EQ(ParsedAssignment(*table, "var1 = var2 | 3").GetString("\n"), "var1\n=\nvar2 | 3");
  EXPECT_EQ(ParsedAssignment().GetString(" "), "");
}

TEST_F(ExpressionsTest, AssignmentValidityUsesTheUnionOfTypes) {
  EXPECT_TRUE(AssignValid("PORTB.0 = 1"));
  EXPECT_TRUE(AssignValid("PORTB.0 = 0"));
  EXPECT_TRUE(AssignValid("PORTB.0 = PIND.2"));
  EXPECT_TRUE(AssignValid("Led = PIND.2"));
  EXPECT_FALSE(AssignValid("PORTB.0 = 2"));
  EXPECT_FALSE(AssignValid("PORTB.0 = var1"));
  EXPECT_FALSE(AssignValid("var1 = ADC0"));
  EXPECT_TRUE(AssignValid("var1 = ADC0 + 1"));
  EXPECT_TRUE(AssignValid("var1 = var2 + ADC0"));
  EXPECT_TRUE(AssignValid("var1 = -40000"));
  EXPECT_FALSE(AssignValid("var1 = var2 +"));
  EXPECT_FALSE(AssignValid("nix = 1"));
  EXPECT_FALSE(AssignValid("ADC0 = 1"));
  EXPECT_TRUE(AssignValid("PIND.2 = PIND.3")) << "never offered as a target, but a pin takes a pin";
}

TEST_F(ExpressionsTest, AssignmentSuggestions) {
  const std::vector<std::string> targets = ParsedAssignment(*table, "").SuggestCompletions();
  ASSERT_EQ(targets.size(), 3u + 32u + 9u);
  EXPECT_THAT(std::vector<std::string>(targets.begin(), targets.begin() + 4),
              ElementsAre("Led = ", "a = ", "b = ", "var0 = "));

  const std::vector<std::string> port = ParsedAssignment(*table, "Led = 7").SuggestCompletions();
  EXPECT_THAT(port, ElementsAre("Led = PIND.2", "Led = PIND.3", "Led = PIND.4", "Led = PIND.5", "Led = PIND.6",
                                "Led = PIND.7"));
  const std::vector<std::string> integer = ParsedAssignment(*table, "var1 = xyz").SuggestCompletions();
  ASSERT_EQ(integer.size(), 2u + 32u + 6u);
  EXPECT_EQ(integer[0], "var1 = a");
  EXPECT_EQ(integer.back(), "var1 = PIND.7");
  EXPECT_THAT(ParsedAssignment(*table, "ADC1 = 1").SuggestCompletions(), IsEmpty());
  EXPECT_THAT(ParsedAssignment().SuggestCompletions(), IsEmpty());
}

TEST_F(ExpressionsTest, RenamedAliasRenamesParsedTexts) {
  ParsedAssignment parsed(*table, "a = b + 1");
  ASSERT_TRUE(table->UpdateAlias("b", "Summe", "var11"));
  EXPECT_EQ(parsed.GetString(" "), "a = Summe + 1");
}

// --- conditions -----------------------------------------------------------

TEST_F(ExpressionsTest, ConditionOperatorsAndRegeneration) {
  struct Case {
    const char* text;
    int op;
    const char* regenerated;
  };
  for (const Case& c :
       {Case{"a<b", CompareOperator::Less, "a < b"}, Case{"a <= b", CompareOperator::LessOrEqual, "a <= b"},
        Case{"a=b", CompareOperator::Equal, "a = b"}, Case{"a >= b", CompareOperator::GreaterOrEqual, "a >= b"},
        Case{" a > b ", CompareOperator::Greater, "a > b"}, Case{"a <> 5", CompareOperator::NotEqual, "a <> 5"},
        Case{"a < &H10", CompareOperator::Less, "a < 16"}, Case{"a == 5", CompareOperator::Equal, "a = "},
        Case{"a =< 5", CompareOperator::Equal, "a = "}, Case{"a => 5", CompareOperator::Equal, "a = "},
        Case{"a <", CompareOperator::Less, "a < "}, Case{"a", CompareOperator::None, "a "},
        Case{"< 5", CompareOperator::Less, "< 5"}, Case{"a + 1 < b", CompareOperator::Less, "< b"},
        Case{"", CompareOperator::None, ""}}) {
    ParsedCompare parsed(*table, c.text);
    EXPECT_EQ(parsed.op, c.op) << c.text;
    EXPECT_EQ(parsed.GetString(" "), c.regenerated) << c.text;
  }
  EXPECT_TRUE(ParsedCompare(*table, "ADC0 <> Led").IsValid()) << "no type test";
  EXPECT_FALSE(ParsedCompare(*table, "a <").IsValid());
  EXPECT_FALSE(ParsedCompare(*table, "a == 5").IsValid());
}

TEST_F(ExpressionsTest, CompareOperatorTexts) {
  EXPECT_THAT(CompareOperator::compareTexts(), ElementsAre("<", "<=", "=", ">=", ">", "<>", "?"));
  EXPECT_EQ(CompareOperator(CompareOperator::NotEqual).GetString(), "<>");
  EXPECT_EQ(CompareOperator().GetString(), "?");
  EXPECT_EQ(CompareOperator(42).GetString(), "?");
  EXPECT_EQ(CompareOperator(-1).GetString(), "?");
}

TEST_F(ExpressionsTest, ConditionSuggestions) {
  EXPECT_THAT(ParsedCompare(*table, "var1").SuggestCompletion(),
              ElementsAre("var1 > ", "var1 >= ", "var1 = ", "var1 < ", "var1 <= "));

  const std::vector<std::string> left = ParsedCompare(*table, "").SuggestCompletion();
  ASSERT_EQ(left.size(), 2u + 32u + 6u);
  EXPECT_EQ(left[0], "a");
  EXPECT_EQ(left[2], "var0");

  EXPECT_THAT(ParsedCompare(*table, "PIND.2 = x").SuggestCompletion(),
              ElementsAre("PIND.2 = PIND.2", "PIND.2 = PIND.3", "PIND.2 = PIND.4", "PIND.2 = PIND.5", "PIND.2 = PIND.6",
                          "PIND.2 = PIND.7"));
  const std::vector<std::string> literal = ParsedCompare(*table, "&H10 >= ").SuggestCompletion();
  ASSERT_EQ(literal.size(), 2u + 32u + 6u);
  EXPECT_EQ(literal[0], "16 >= a");
  EXPECT_THAT(ParsedCompare(*table, "ADC0 < 3").SuggestCompletion(), IsEmpty());
  EXPECT_THAT(ParsedCompare().SuggestCompletion(), IsEmpty());
}

// --- instruction arguments ------------------------------------------------

TEST_F(ExpressionsTest, ParameterKinds) {
  ParsedParameter number(*table, "  &H10 ");
  EXPECT_EQ(number.kind, ParameterKind::NumLiteral);
  EXPECT_EQ(number.value, 16);
  EXPECT_EQ(number.GetText(), "  &H10 ") << "kept as typed";

  ParsedParameter text(*table, " \"Hallo \"Welt\"\" ");
  EXPECT_EQ(text.kind, ParameterKind::StringLiteral);
  EXPECT_EQ(text.stringValue, "Hallo \"Welt\"");

  ParsedParameter emptyString(*table, "\"\"");
  EXPECT_EQ(emptyString.kind, ParameterKind::StringLiteral);
  EXPECT_EQ(emptyString.stringValue, "");

  ParsedParameter quote(*table, "\"");
  EXPECT_EQ(quote.kind, ParameterKind::Variable);
  EXPECT_EQ(quote.operand, nullptr);

  ParsedParameter name(*table, "\tLed\n");
  EXPECT_EQ(name.kind, ParameterKind::Variable);
  EXPECT_EQ(name.operand, table->GetOperand("Led"));

  for (const char* empty : {"", "   ", "&h10", "-", "12a"}) {
    ParsedParameter p(*table, empty);
    EXPECT_EQ(p.kind, ParameterKind::Empty) << empty;
    EXPECT_EQ(p.operand, nullptr) << empty;
    EXPECT_EQ(p.value, 0) << empty;
  }
}

TEST_F(ExpressionsTest, ParameterValidityPerMask) {
  const int numbers = OperandType::NumLiteral;
  EXPECT_TRUE(ParsedParameter(*table, "32767").IsValid(numbers));
  EXPECT_TRUE(ParsedParameter(*table, "-32768").IsValid(numbers));
  EXPECT_FALSE(ParsedParameter(*table, "32768").IsValid(numbers));
  EXPECT_FALSE(ParsedParameter(*table, "40000").IsValid(numbers));
  EXPECT_FALSE(ParsedParameter(*table, "-32769").IsValid(numbers));
  EXPECT_FALSE(ParsedParameter(*table, "1").IsValid(OperandType::BitLiteral | VariableKind::Integer))
      << "0 and 1 need the number bit too";
  EXPECT_TRUE(ParsedParameter(*table, "1").IsValid(numbers));

  EXPECT_TRUE(ParsedParameter(*table, "\"Hallo\"").IsValid(OperandType::StringLiteral));
  EXPECT_FALSE(ParsedParameter(*table, "\"Hallo\"").IsValid(0x1811 & ~OperandType::StringLiteral));

  EXPECT_TRUE(ParsedParameter(*table, "var3").IsValid(VariableKind::Integer));
  EXPECT_TRUE(ParsedParameter(*table, "a").IsValid(VariableKind::Integer));
  EXPECT_FALSE(ParsedParameter(*table, "var3").IsValid(VariableKind::ADC | numbers));
  EXPECT_TRUE(ParsedParameter(*table, "ADC2").IsValid(VariableKind::ADC));
  EXPECT_FALSE(ParsedParameter(*table, "nix").IsValid(0xffff));
  EXPECT_FALSE(ParsedParameter(*table, "").IsValid(0xffff));

  // Each branch answers only for its own kind.
  ParsedParameter name(*table, "var3");
  EXPECT_FALSE(name.IsValidNumLiteral(numbers));
  EXPECT_FALSE(name.IsValidStringLiteral(OperandType::StringLiteral));
  ParsedParameter number(*table, "5");
  EXPECT_FALSE(number.IsValidVariable(0xffff));
}

}  // namespace
