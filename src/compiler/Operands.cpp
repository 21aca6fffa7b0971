// Conversion of parsed operands and right sides into operands of generated
// code.
#include <stdexcept>
#include <vector>

#include "compiler/Expressions.h"
#include "language/Expressions.h"
#include "language/Variables.h"
#include "toolkit/Platform.h"

namespace Compiler {

namespace {

// Reads the decimal number that text begins with, as the operand names hold
// their bit and channel numbers; the standard conversion's own exceptions are
// not runtime errors, so they are turned into one naming the operand.
int LeadingNumber(const std::string& text, const std::string& operandName) {
  try {
    return std::stoi(text);
  } catch (const std::logic_error&) {
    throw std::runtime_error("Invalid number in operand name " + operandName);
  }
}

}  // namespace

std::string ChartName(const ::Variable& operand) {
  return operand.aliasTarget ? operand.name + " (" + operand.aliasTarget->name + ")" : operand.name;
}

IoBitName SplitIoBitName(const std::string& name) {
  std::vector<std::string> pieces;
  String::Tokenize(name, pieces, '.');
  if (pieces.size() != 2) throw std::runtime_error("Invalid Pin specified: " + name);
  return IoBitName{pieces[0], static_cast<uint8_t>(LeadingNumber(pieces[1], name))};
}

ValueExpression OperandValue(const ::Variable& operand) {
  const ::Variable& v = operand.aliasTarget ? *operand.aliasTarget : operand;
  switch (v.kind) {
  case VariableKind::Integer:
    return ValueExpression::IntegerVariable(v.name);
  case VariableKind::Pin: {
    IoBitName pin = SplitIoBitName(v.name);
    return ValueExpression::IoBit(pin.port, pin.bit, ChartName(operand));
  }
  case VariableKind::ADC:
    if (v.name.size() < 3) throw std::runtime_error("Invalid number in operand name " + v.name);
    return ValueExpression::Literal(static_cast<uint16_t>(LeadingNumber(v.name.substr(3), v.name)));
  default:
    throw std::runtime_error("Unknown variable " + v.name);
  }
}

}  // namespace Compiler

Compiler::ValueExpression RightSideToken::ToValueExpression() const {
  if (!operand) return Compiler::ValueExpression::Literal(static_cast<uint16_t>(value));
  return Compiler::OperandValue(*operand);
}

Compiler::MathExpression RightSide::ToMathExpression() const {
  if (op == MathOperator::None) throw std::runtime_error("ToMathExpression() called, but item is ValueExpression");
  Compiler::MathExpression e;
  e.op = op;
  // The second operand first: its error is the one reported.
  e.right = second.ToValueExpression();
  e.left = first.ToValueExpression();
  return e;
}
