#pragma once
// The operand table of a project: integer variables, output port bits, input
// pins, ADC channels and the user's aliases for them, in table order.
#include <string>
#include <vector>

class XMLWriter;
class XMLReader;

// The kind of a table entry; the bits double as operand-type bits.
namespace VariableKind {
inline constexpr int Integer = 0x1;
inline constexpr int Port = 0x400;
inline constexpr int Pin = 0x800;
inline constexpr int ADC = 0x1000;
}  // namespace VariableKind

// Operand types: the kind bits plus the literal bits. An operand fits a mask
// when the two share a bit.
namespace OperandType {
inline constexpr int Integer = VariableKind::Integer;
inline constexpr int BitLiteral = 0x4;     // a numeric literal 0 or 1
inline constexpr int StringLiteral = 0x8;  // a quoted instruction argument
inline constexpr int NumLiteral = 0x10;    // any other numeric literal
inline constexpr int Port = VariableKind::Port;
inline constexpr int Pin = VariableKind::Pin;
inline constexpr int ADC = VariableKind::ADC;

inline constexpr int AssignmentTargets = Integer | Port;  // 0x401
inline constexpr int ConditionOperands = Integer | Pin;   // 0x801
}  // namespace OperandType

class Variable {
public:
  // A plain operand.
  Variable(std::string name, int kind);
  // An alias: takes the target's kind and stands for the root of the target's
  // alias chain, so an alias never points at another alias.
  Variable(std::string name, Variable* target);

  bool IsAlias() const { return aliasTarget != nullptr; }

  std::string name;
  int kind;
  Variable* aliasTarget;
};

class Variables {
public:
  // Built from the settings: integers, ports, pins, ADC channels, then the
  // aliases whose targets exist.
  Variables();
  ~Variables();
  Variables(const Variables&) = delete;
  Variables& operator=(const Variables&) = delete;

  // First entry of exactly that name (aliases included), or null.
  Variable* GetOperand(const std::string& name) const;
  // The operand types a target of that kind accepts.
  static int GetCastableTypes(int kind);
  // Name of the operand an alias stands for; "" for a plain name or none.
  std::string GetAliasDestination(const std::string& name) const;
  bool AddAlias(const std::string& alias, const std::string& target);
  bool UpdateAlias(const std::string& oldName, const std::string& newName, const std::string& target);
  // ASCII letter first, then ASCII letters, digits and "_".
  static bool IsValidIdentifier(const std::string& name);
  std::vector<std::string> SuggestAliasTargets(const std::string& prefix, const std::string& aliasName) const;
  std::vector<std::string> GetAllAliases() const;
  // prefix + name + suffix for every entry fitting mask, aliases first.
  std::vector<std::string> FormatOperands(int mask, const std::string& prefix, const std::string& suffix) const;

  // The project-file form, defined in VariablesXml.cpp beside the project
  // file code; this layer sees only the XML classes' names.
  void Write(XMLWriter* writer) const;
  void Read(XMLReader* reader);

  std::vector<Variable*> variableList;  // owned, in table order
};
