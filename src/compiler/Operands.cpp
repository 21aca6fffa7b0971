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

// Reads the decimal number that text begins with as std::stoi reads it
// (leading blanks and a sign allowed, anything after the digits ignored):
// names in stored settings and project files rely on that. False when there
// is no number within int.
bool LeadingNumber(const std::string& text, int& number) {
  try {
    number = std::stoi(text);
    return true;
  } catch (const std::logic_error&) {
    return false;
  }
}

// The runtimes' adc_read keeps the channel's low four bits: a higher number
// would quietly read another channel.
constexpr int HighestAdcChannel = 15;

}  // namespace

std::string ChartName(const std::string& name, const std::string& target) {
  return target.empty() ? name : name + " (" + target + ")";
}

std::string ChartName(const ::Variable& operand) {
  return ChartName(operand.name, operand.aliasTarget ? operand.aliasTarget->name : std::string());
}

IoBitName SplitIoBitName(const ::Variable& operand) {
  const std::string& name = operand.aliasTarget ? operand.aliasTarget->name : operand.name;
  std::vector<std::string> pieces;
  String::Tokenize(name, pieces, '.');
  if (pieces.size() != 2)
    throw OperandError("Dieser Anschluss braucht einen Namen aus Register, Punkt und Bitnummer wie PINB.2: " +
                       ChartName(operand));
  int bit = 0;
  // SBI, CBI and SBIC reach the bits 0 to 7 of an I/O register.
  if (!LeadingNumber(pieces[1], bit) || bit < 0 || bit > 7)
    throw OperandError("Dieser Anschluss hat keine gültige Bitnummer (0 bis 7): " + ChartName(operand));
  return IoBitName{pieces[0], static_cast<uint8_t>(bit)};
}

ValueExpression OperandValue(const ::Variable& operand) {
  const ::Variable& v = operand.aliasTarget ? *operand.aliasTarget : operand;
  switch (v.kind) {
  case VariableKind::Integer:
    return ValueExpression::IntegerVariable(v.name, ChartName(operand));
  case VariableKind::Pin: {
    IoBitName pin = SplitIoBitName(operand);
    return ValueExpression::IoBit(pin.port, pin.bit, ChartName(operand));
  }
  case VariableKind::ADC: {
    int channel = 0;
    if (v.name.size() < 3 || !LeadingNumber(v.name.substr(3), channel) || channel < 0 || channel > HighestAdcChannel)
      throw OperandError("Dieser Analogeingang hat keine gültige Kanalnummer (ADC0 bis ADC15): " + ChartName(operand));
    return ValueExpression::Literal(static_cast<uint16_t>(channel));
  }
  case VariableKind::Port:
    throw OperandError("Einen Ausgang kannst du nur setzen, nicht lesen: " + ChartName(operand));
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
