#pragma once
// Operands and two-operand operations of generated code. The code that loads,
// computes and compares them is part of Compiler::Program.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "compiler/Program.h"

class Variable;

namespace Compiler {

struct ValueExpression {
  // Every value other than the first three is treated as ValueIoBit.
  enum Kind { ValueLiteral = 0, ValueFlashString = 1, ValueVariable = 2, ValueIoBit = 3 };

  int kind = ValueLiteral;
  uint16_t value = 0;       // ValueLiteral
  std::string text;         // ValueFlashString
  UnknownAddress variable;  // ValueVariable: the variable's name, offset 0
  std::string port;         // ValueIoBit: I/O register name, such as PINB
  uint8_t bit = 0;          // ValueIoBit
  std::string operand;      // ValueVariable, ValueIoBit: the operand as the chart names it, for messages

  static ValueExpression Literal(uint16_t value);
  static ValueExpression FlashString(const std::string& text);
  // The operand defaults to the name.
  static ValueExpression IntegerVariable(const std::string& name, const std::string& operand = {});
  static ValueExpression IoBit(const std::string& port, uint8_t bit, const std::string& operand);
};

struct MathExpression {
  ValueExpression left;
  int op = 0;  // MathOperator index 0 to 5, "+-*/|&"
  ValueExpression right;
};

// An operand that the chart, the project file or the settings got wrong
// (a malformed name, a register the board lacks, an output bit read as a
// value): a German message naming the operand. The conversions do not know
// their block; the block's code turns it into a CodeWriteException for
// itself.
class OperandError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The operand as the chart names it: an alias with its target in brackets,
// "Knopf (PIND.2)".
std::string ChartName(const ::Variable& operand);
// The same for a name and the name of its alias target (empty for none).
std::string ChartName(const std::string& name, const std::string& target);

// The operand a plain variable or an alias stands for: an integer variable
// by its name, an input pin as an I/O bit, an ADC channel as its number.
// Output bits have no value to read. Throws OperandError.
ValueExpression OperandValue(const ::Variable& operand);

// The I/O register and bit of a port or pin operand such as PORTB.3 (an
// alias's target); throws OperandError for a malformed name.
struct IoBitName {
  std::string port;
  uint8_t bit;
};
IoBitName SplitIoBitName(const ::Variable& operand);

}  // namespace Compiler
