#pragma once
// Round-trip checks shared by the property test and the fuzz target: the
// regenerated text of a parsed chart text must parse to the same form and
// regenerate to the same text again. Each returns "" when the text passes,
// otherwise what went wrong.
#include "language/Expressions.h"

#include <string>

namespace RoundTrip {

inline std::string Describe(const char* what, const std::string& text, const std::string& first,
                            const std::string& second) {
  return std::string(what) + ": [" + text + "] -> [" + first + "] -> [" + second + "]";
}

inline std::string CheckAssignment(const Variables& table, const std::string& text) {
  const ParsedAssignment parsed(table, text);
  const std::string once = parsed.GetString(" ");
  const ParsedAssignment again(table, once);
  const std::string twice = again.GetString(" ");
  if (once != twice) return Describe("assignment text changed", text, once, twice);
  if (again.target != parsed.target || again.rightSide.IsComplete() != parsed.rightSide.IsComplete() ||
      again.IsValid() != parsed.IsValid())
    return Describe("assignment form changed", text, once, twice);
  if (parsed.rightSide.IsComplete() && again.rightSide.GetType() != parsed.rightSide.GetType())
    return Describe("assignment type changed", text, once, twice);
  // Painting breaks the text into lines; those lines read back alike.
  const std::string painted = ParsedAssignment(table, parsed.GetString("\n")).GetString(" ");
  if (painted != once) return Describe("painted assignment reads back differently", text, once, painted);
  return "";
}

inline std::string CheckCondition(const Variables& table, const std::string& text) {
  const ParsedCompare parsed(table, text);
  const std::string once = parsed.GetString(" ");
  const ParsedCompare again(table, once);
  const std::string twice = again.GetString(" ");
  if (once != twice) return Describe("condition text changed", text, once, twice);
  if (again.op != parsed.op || again.left.valid != parsed.left.valid || again.right.valid != parsed.right.valid ||
      again.left.GetType() != parsed.left.GetType() || again.right.GetType() != parsed.right.GetType())
    return Describe("condition form changed", text, once, twice);
  return "";
}

// An argument keeps its text as typed; its canonical form (number in decimal,
// string in quotes, operand name) must parse to the same argument.
inline std::string CanonicalParameter(const ParsedParameter& p) {
  switch (p.kind) {
  case ParameterKind::NumLiteral:
    return std::to_string(p.value);
  case ParameterKind::StringLiteral:
    return "\"" + p.stringValue + "\"";
  case ParameterKind::Variable:
    return p.operand ? p.operand->name : "";
  default:
    return "";
  }
}

inline bool SameParameter(const ParsedParameter& a, const ParsedParameter& b) {
  return a.kind == b.kind && a.operand == b.operand && a.value == b.value && a.stringValue == b.stringValue;
}

inline std::string CheckParameter(const Variables& table, const std::string& text) {
  const ParsedParameter parsed(table, text);
  if (parsed.GetText() != text) return Describe("argument text not kept", text, parsed.GetText(), "");
  if (!SameParameter(ParsedParameter(table, parsed.GetText()), parsed))
    return Describe("argument parses differently twice", text, parsed.GetText(), "");
  // A name that is not in the table has no canonical form to compare.
  if (parsed.kind == ParameterKind::Variable && !parsed.operand) return "";
  const std::string canonical = CanonicalParameter(parsed);
  const ParsedParameter again(table, canonical);
  if (!SameParameter(again, parsed) || CanonicalParameter(again) != canonical)
    return Describe("argument form changed", text, canonical, CanonicalParameter(again));
  for (int mask : {0x10, 0x8, 0x1, 0x400, 0x800, 0x1000, 0x11, 0x1811, 0x1819})
    if (again.IsValid(mask) != parsed.IsValid(mask))
      return Describe("argument validity changed", text, canonical, std::to_string(mask));
  return "";
}

// Completion lines must be what they offer: with a target (or a left side
// and operator) typed, every line is a valid text that regenerates as itself.
inline std::string CheckSuggestions(const Variables& table, const std::string& text) {
  const ParsedAssignment assignment(table, text);
  if (assignment.target) {
    for (const std::string& line : assignment.SuggestCompletions()) {
      const ParsedAssignment offered(table, line);
      if (!offered.IsValid() || offered.target != assignment.target || offered.GetString(" ") != line)
        return Describe("assignment suggestion does not fit", text, line, offered.GetString(" "));
    }
  }
  const ParsedCompare condition(table, text);
  if (condition.left.valid && condition.op != CompareOperator::None) {
    for (const std::string& line : condition.SuggestCompletion()) {
      const ParsedCompare offered(table, line);
      if (!offered.IsValid() || offered.op != condition.op || offered.GetString(" ") != line)
        return Describe("condition suggestion does not fit", text, line, offered.GetString(" "));
    }
  }
  return "";
}

}  // namespace RoundTrip
