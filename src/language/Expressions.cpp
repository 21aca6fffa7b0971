#include "language/Expressions.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace {

// isspace on a char of a UTF-8 text must see it as unsigned.
bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

int OperatorIndex(char c) {
  for (int i = 0; MathOperator::characters[i] != '\0'; ++i)
    if (MathOperator::characters[i] == c) return i;
  return MathOperator::None;
}

}  // namespace

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool NumberLiteral::AppliesTo(const std::string& text) {
  if (text.empty()) return false;
  const char c = text[0];
  return c == '&' || c == '-' || (c >= '0' && c <= '9');
}

bool NumberLiteral::Parse(const std::string& text, int& value) {
  const bool hex = text.size() >= 3 && text[0] == '&' && text[1] == 'H';
  const char* start = text.c_str() + (hex ? 2 : 0);
  const char* textEnd = text.c_str() + text.size();
  char* end = nullptr;
  errno = 0;
  const long converted = std::strtol(start, &end, hex ? 16 : 10);
  // Nothing converted, something after the number (an embedded NUL included)
  // or outside 32 bits: not a literal.
  if (end == start || end != textEnd || errno == ERANGE) return false;
  if (converted < INT32_MIN || converted > INT32_MAX) return false;
  value = static_cast<int>(converted);
  return true;
}

RightSideToken::RightSideToken(const Variables& variables, const std::string& text) {
  if (NumberLiteral::AppliesTo(text)) {
    int parsed = 0;
    if (NumberLiteral::Parse(text, parsed)) {
      value = parsed;
      valid = true;
    }
    return;
  }
  // An empty text names nothing, even when a loaded table holds an empty name.
  if (text.empty()) return;
  operand = variables.GetOperand(text);
  valid = operand != nullptr;
}

int RightSideToken::GetType() const {
  if (!valid) return 0;
  if (operand) return operand->kind;
  return (value == 0 || value == 1) ? OperandType::BitLiteral : OperandType::NumLiteral;
}

std::string RightSideToken::GetString() const {
  if (!valid) return "";
  if (operand) return operand->name;
  return std::to_string(value);
}

RightSide::RightSide(const Variables& variables, const std::string& text) {
  const size_t n = text.size();
  size_t i = 0;
  auto skipSpace = [&] {
    while (i < n && IsSpace(text[i])) ++i;
  };

  skipSpace();
  std::string firstText;
  std::string secondText;
  bool readSecond = false;

  for (; i < n; ++i) {
    const char c = text[i];
    const int index = OperatorIndex(c);
    if (index == MathOperator::Subtract && firstText.empty()) {
      firstText += c;  // a sign
    } else if (index != MathOperator::None) {
      op = index;
      ++i;
      readSecond = true;
      break;
    } else if (IsSpace(c)) {
      skipSpace();
      if (i < n) {
        const int after = OperatorIndex(text[i]);
        if (after != MathOperator::None) {
          op = after;
          ++i;
          readSecond = true;
        }
        // Anything else after the first operand is ignored.
      }
      break;
    } else {
      firstText += c;
    }
  }

  if (readSecond) {
    skipSpace();
    while (i < n && !IsSpace(text[i])) secondText += text[i++];
  }

  first = RightSideToken(variables, firstText);
  if (!secondText.empty()) second = RightSideToken(variables, secondText);
}

bool RightSide::IsComplete() const { return first.valid && (op == MathOperator::None || second.valid); }

int RightSide::GetType() const {
  if (op == MathOperator::None) return first.GetType();
  return first.GetType() | second.GetType();
}

std::string RightSide::GetString() const {
  if (op == MathOperator::None) return first.GetString();
  return first.GetString() + " " + MathOperator::characters[op] + " " + second.GetString();
}

ParsedAssignment::ParsedAssignment(const Variables& variables, const std::string& text) : variables(&variables) {
  const size_t pos = text.find('=');
  target = variables.GetOperand(Trim(text.substr(0, pos)));
  if (pos != std::string::npos) {
    const std::string right = Trim(text.substr(pos + 1));
    if (!right.empty()) rightSide = RightSide(variables, right);
  }
}

bool ParsedAssignment::IsValid() const {
  return target != nullptr && rightSide.IsComplete() &&
         (Variables::GetCastableTypes(target->kind) & rightSide.GetType()) != 0;
}

std::string ParsedAssignment::GetString(std::string separator) const {
  const bool complete = rightSide.IsComplete();
  if (!target && !complete) return "";
  std::string result = target ? target->name : "";
  result += separator + "=" + separator;
  if (complete) result += rightSide.GetString();
  return result;
}

std::vector<std::string> ParsedAssignment::SuggestCompletions() const {
  if (!variables) return {};
  if (!target) return variables->FormatOperands(OperandType::AssignmentTargets, "", " = ");
  return variables->FormatOperands(Variables::GetCastableTypes(target->kind), target->name + " = ", "");
}

const std::array<std::string, 7>& CompareOperator::compareTexts() {
  static const std::array<std::string, 7> texts = {"<", "<=", "=", ">=", ">", "<>", "?"};
  return texts;
}

std::string CompareOperator::GetString() const {
  // Anything out of range reads as "no operator" rather than past the table.
  if (value < Less || value > None) return compareTexts()[None];
  return compareTexts()[value];
}

ParsedCompare::ParsedCompare(const Variables& variables, const std::string& text) : variables(&variables) {
  const size_t pos = text.find_first_of("<=>");
  left = RightSideToken(variables, Trim(text.substr(0, pos)));
  if (pos == std::string::npos) return;

  std::string opText(1, text[pos]);
  if (pos + 1 < text.size()) {
    const std::string pair = text.substr(pos, 2);
    if (pair == "<=" || pair == ">=" || pair == "<>") opText = pair;
  }
  right = RightSideToken(variables, Trim(text.substr(pos + opText.size())));
  const auto& texts = CompareOperator::compareTexts();
  for (int i = CompareOperator::Less; i < CompareOperator::None; ++i)
    if (texts[i] == opText) op = i;
}

bool ParsedCompare::IsValid() const { return left.valid && right.valid; }

std::string ParsedCompare::GetString(std::string separator) const {
  std::string result;
  if (left.valid) result += left.GetString() + separator;
  if (op != CompareOperator::None) result += op.GetString() + separator;
  if (right.valid) result += right.GetString();
  return result;
}

std::vector<std::string> ParsedCompare::SuggestCompletion() const {
  if (!variables) return {};
  if (!left.valid) return variables->FormatOperands(OperandType::ConditionOperands, "", "");
  const std::string leftText = left.GetString();
  if (op == CompareOperator::None)
    return {leftText + " > ", leftText + " >= ", leftText + " = ", leftText + " < ", leftText + " <= "};
  const int mask = left.operand ? Variables::GetCastableTypes(left.operand->kind) : OperandType::ConditionOperands;
  return variables->FormatOperands(mask, leftText + " " + op.GetString() + " ", "");
}

ParsedParameter::ParsedParameter(const Variables& variables, std::string text) : text(std::move(text)) {
  const std::string t = Trim(this->text);
  if (t.empty()) return;
  if (NumberLiteral::AppliesTo(t)) {
    if (NumberLiteral::Parse(t, value)) kind = ParameterKind::NumLiteral;
    return;
  }
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
    kind = ParameterKind::StringLiteral;
    stringValue = t.substr(1, t.size() - 2);
    return;
  }
  kind = ParameterKind::Variable;
  operand = variables.GetOperand(t);
}

bool ParsedParameter::IsValid(int mask) const {
  switch (kind) {
  case ParameterKind::NumLiteral:
    return IsValidNumLiteral(mask);
  case ParameterKind::StringLiteral:
    return IsValidStringLiteral(mask);
  case ParameterKind::Variable:
    return IsValidVariable(mask);
  default:
    return false;
  }
}

bool ParsedParameter::IsValidNumLiteral(int mask) const {
  return kind == ParameterKind::NumLiteral && (mask & OperandType::NumLiteral) != 0 && value >= -32768 &&
         value <= 32767;
}

bool ParsedParameter::IsValidStringLiteral(int mask) const {
  return kind == ParameterKind::StringLiteral && (mask & OperandType::StringLiteral) != 0;
}

bool ParsedParameter::IsValidVariable(int mask) const {
  return kind == ParameterKind::Variable && operand != nullptr && (operand->kind & mask) != 0;
}
