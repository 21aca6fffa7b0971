// Many generated chart texts, made of operand names, literals, operators,
// blanks and junk: each must survive parse -> regenerate -> parse.
#include "DefaultSettings.h"
#include "RoundTrip.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

class RoundTripProperty : public DefaultSettingsTest {
protected:
  void SetUp() override {
    DefaultSettingsTest::SetUp();
    table = std::make_unique<Variables>();
    ASSERT_TRUE(table->AddAlias("Led", "PORTB.0"));
    ASSERT_TRUE(table->AddAlias("Taster", "PIND.2"));
    ASSERT_TRUE(table->AddAlias("Zahl", "var7"));
    ASSERT_TRUE(table->AddAlias("Sensor", "ADC1"));
    for (const Variable* v : table->variableList) names.push_back(v->name);
  }

  std::string Operand() {
    switch (Pick(5)) {
    case 0:
      return literals[Pick(literals.size())];
    case 1:
      return Piece();
    default:
      return names[Pick(names.size())];
    }
  }

  std::string Piece() {
    static const std::vector<std::string> operators = {"+", "-",  "*",  "/",  "|",  "&",  "=", "<",
                                                       ">", "<=", ">=", "<>", "==", "=<", "=>"};
    static const std::vector<std::string> blanks = {" ", "  ", "\t", "\n", "\r\n", "\v", "\f"};
    static const std::string junk = "\"'.,;:_()[]!?#%$H\\x";
    switch (Pick(7)) {
    case 0:
    case 1:
      return names[Pick(names.size())];
    case 2:
      return literals[Pick(literals.size())];
    case 3:
      return operators[Pick(operators.size())];
    case 4:
      return blanks[Pick(blanks.size())];
    case 5:
      return std::string(1, junk[Pick(junk.size())]);
    default: {
      // A raw byte, high ones (UTF-8 pieces such as umlauts) included.
      return std::string(1, static_cast<char>(Pick(256)));
    }
    }
  }

  // Mostly shaped like the texts users type, with the pieces in between
  // drawn at random.
  std::string Text() {
    std::string text;
    const size_t count = 1 + Pick(7);
    for (size_t i = 0; i < count; ++i) text += Piece();
    return text;
  }

  std::string ShapedText(const char* op) {
    auto blank = [this] { return Pick(3) == 0 ? std::string() : std::string(Pick(3) + 1, ' '); };
    std::string text = blank() + Operand() + blank() + op + blank() + Operand() + blank();
    if (Pick(2) == 0) text += std::string(1, "+-*/|&"[Pick(6)]) + blank() + Operand();
    return text;
  }

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

  std::mt19937 random{20240611};
  std::unique_ptr<Variables> table;
  std::vector<std::string> names;
  const std::vector<std::string> literals = {"0",          "1",          "-1",          "007",       "42",    "-5",
                                             "&H1F",       "&h1F",       "&HFFFF",      "&H",        "&H-10", "&H 7",
                                             "2147483647", "2147483648", "-2147483648", "-",         "12a",   "32767",
                                             "-32768",     "40000",      "0x10",        "&H7FFFFFFF"};
};

constexpr int Cases = 4000;

TEST_F(RoundTripProperty, Assignments) {
  int valid = 0;
  for (int i = 0; i < Cases; ++i) {
    const std::string text = (i % 2 == 0) ? Text() : ShapedText("=");
    ASSERT_EQ(RoundTrip::CheckAssignment(*table, text), "") << "case " << i;
    ASSERT_EQ(RoundTrip::CheckSuggestions(*table, text), "") << "case " << i;
    valid += ParsedAssignment(*table, text).IsValid();
  }
  // The generator must reach the interesting forms, not only junk.
  EXPECT_GT(valid, Cases / 50);
}

TEST_F(RoundTripProperty, Conditions) {
  static const char* const ops[] = {"<", "<=", "=", ">=", ">", "<>"};
  int valid = 0;
  for (int i = 0; i < Cases; ++i) {
    const std::string text = (i % 2 == 0) ? Text() : ShapedText(ops[Pick(6)]);
    ASSERT_EQ(RoundTrip::CheckCondition(*table, text), "") << "case " << i;
    ASSERT_EQ(RoundTrip::CheckSuggestions(*table, text), "") << "case " << i;
    valid += ParsedCompare(*table, text).IsValid();
  }
  EXPECT_GT(valid, Cases / 50);
}

TEST_F(RoundTripProperty, Parameters) {
  int kinds[4] = {};
  for (int i = 0; i < Cases; ++i) {
    std::string text = (i % 3 == 0) ? Operand() : Text();
    if (i % 4 == 0) text = "\"" + text + "\"";
    ASSERT_EQ(RoundTrip::CheckParameter(*table, text), "") << "case " << i;
    ++kinds[ParsedParameter(*table, text).kind];
  }
  for (int kind = 0; kind < 4; ++kind) EXPECT_GT(kinds[kind], Cases / 50) << "kind " << kind;
}

}  // namespace
