#pragma once
// The chart texts: assignments (target = a, target = a op b), conditions
// (a cmp b) and instruction arguments. Parsed forms keep non-owning
// Variable pointers into the project's table and regenerate their text from
// them, so renaming an alias renames it wherever it is used.
#include "language/Variables.h"

#include <array>
#include <string>
#include <vector>

namespace Compiler {
class Program;
struct ValueExpression;
struct MathExpression;
}  // namespace Compiler

// The operator of an assignment's right side: an index into "+-*/|&".
namespace MathOperator {
enum : int { Add = 0, Subtract, Multiply, Divide, Or, And, None };
inline constexpr char characters[] = "+-*/|&";
}  // namespace MathOperator

// The text without the white space around it, as chart texts are read.
std::string Trim(const std::string& text);

// The number rule shared by operands and instruction arguments.
namespace NumberLiteral {
// A text starting with "&", "-" or a digit is a literal or nothing.
bool AppliesTo(const std::string& text);
// "&H" followed by hexadecimal digits, else decimal; the whole text must be
// one number within 32 bits. Returns false for anything else.
bool Parse(const std::string& text, int& value);
}  // namespace NumberLiteral

// One operand: a variable or alias of the table, or a numeric literal.
class RightSideToken {
public:
  RightSideToken() = default;
  // The text is taken as it is, not trimmed.
  RightSideToken(const Variables& variables, const std::string& text);

  bool IsLiteral() const { return valid && operand == nullptr; }
  int GetType() const;
  std::string GetString() const;
  // The operand of generated code; only for a valid token.
  Compiler::ValueExpression ToValueExpression() const;

  Variable* operand = nullptr;
  int value = 0;
  bool valid = false;
};

// The right side of an assignment: one operand, or two joined by an operator.
class RightSide {
public:
  RightSide() = default;
  RightSide(const Variables& variables, const std::string& text);

  // First operand valid, and the second one too when there is an operator.
  bool IsComplete() const;
  // The union of the operand types.
  int GetType() const;
  std::string GetString() const;
  // The operation of generated code; only with an operator and both operands valid.
  Compiler::MathExpression ToMathExpression() const;

  RightSideToken first;
  int op = MathOperator::None;
  RightSideToken second;
};

class ParsedAssignment {
public:
  ParsedAssignment() = default;
  ParsedAssignment(const Variables& variables, const std::string& text);

  // Target known, right side complete and at least one operand type fitting
  // the target.
  bool IsValid() const;
  std::string GetString(std::string separator) const;
  std::vector<std::string> SuggestCompletions() const;
  // The code of a checked assignment.
  void WriteCode(Compiler::Program& program) const;

  Variable* target = nullptr;
  RightSide rightSide;
  const Variables* variables = nullptr;
};

class CompareOperator {
public:
  enum Value : int { Less = 0, LessOrEqual, Equal, GreaterOrEqual, Greater, NotEqual, None };

  CompareOperator(int value = None) : value(value) {}
  operator int() const { return value; }

  std::string GetString() const;
  // "<", "<=", "=", ">=", ">", "<>" and "?" for none.
  static const std::array<std::string, 7>& compareTexts();

  int value;
};

class ParsedCompare {
public:
  ParsedCompare() = default;
  ParsedCompare(const Variables& variables, const std::string& text);

  // Both sides valid; a condition is not type-checked.
  bool IsValid() const;
  std::string GetString(std::string separator) const;
  std::vector<std::string> SuggestCompletion() const;

  RightSideToken left;
  RightSideToken right;
  CompareOperator op;
  const Variables* variables = nullptr;
};

namespace ParameterKind {
enum : int { Variable = 0, NumLiteral, StringLiteral, Empty };
}  // namespace ParameterKind

// One argument or result of an instruction block; the text is kept as typed.
class ParsedParameter {
public:
  ParsedParameter(const Variables& variables, std::string text);

  bool IsValid(int mask) const;
  bool IsValidNumLiteral(int mask) const;
  bool IsValidStringLiteral(int mask) const;
  bool IsValidVariable(int mask) const;
  const std::string& GetText() const { return text; }

  std::string text;
  int kind = ParameterKind::Empty;
  Variable* operand = nullptr;
  int value = 0;
  std::string stringValue;
};
