#include "DefaultSettings.h"

#include "language/Expressions.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A project file may hold an operand with an empty name; an empty operand
// text must still never name it.
class EmptyNamedOperand : public DefaultSettingsTest {
protected:
  void SetUp() override {
    DefaultSettingsTest::SetUp();
    table = std::make_unique<Variables>();
    table->variableList.push_back(new Variable("", VariableKind::Integer));
  }

  std::unique_ptr<Variables> table;
};

TEST_F(EmptyNamedOperand, AnEmptyOperandTextStaysInvalid) {
  EXPECT_FALSE(RightSideToken(*table, "").valid);

  // An operator in front leaves the first operand empty.
  RightSide product(*table, "* var2");
  EXPECT_FALSE(product.first.valid);
  EXPECT_FALSE(product.IsComplete());
  EXPECT_FALSE(ParsedAssignment(*table, "var1 = * var2").IsValid());

  // Nothing after the comparison, or nothing in front of it.
  ParsedCompare open(*table, "var1 <");
  EXPECT_FALSE(open.right.valid);
  EXPECT_FALSE(open.IsValid());
  EXPECT_EQ(open.GetString(" "), "var1 < ");
  EXPECT_FALSE(ParsedCompare(*table, "< var1").IsValid());
}

}  // namespace
