#include "language/Variables.h"

#include "language/Settings.h"

#include <utility>

Variable::Variable(std::string name, int kind) : name(std::move(name)), kind(kind), aliasTarget(nullptr) {}

Variable::Variable(std::string name, Variable* target)
    : name(std::move(name)), kind(target->kind), aliasTarget(target->aliasTarget ? target->aliasTarget : target) {}

Variables::Variables() {
  auto addAll = [this](const auto& names, int kind) {
    for (const std::string& name : names) variableList.push_back(new Variable(name, kind));
  };
  addAll(theSettings.integerVariables, VariableKind::Integer);
  addAll(theSettings.ioPorts, VariableKind::Port);
  addAll(theSettings.ioPins, VariableKind::Pin);
  addAll(theSettings.adcChannels, VariableKind::ADC);
  // Aliases from the settings are taken as they stand; only a missing target
  // drops one, and earlier aliases count as targets.
  for (const auto& [alias, target] : theSettings.aliases) {
    if (Variable* found = GetOperand(target)) variableList.push_back(new Variable(alias, found));
  }
}

Variables::~Variables() {
  for (Variable* v : variableList) delete v;
}

Variable* Variables::GetOperand(const std::string& name) const {
  for (Variable* v : variableList)
    if (v->name == name) return v;
  return nullptr;
}

int Variables::GetCastableTypes(int kind) {
  switch (kind) {
  case VariableKind::Integer:
    return OperandType::Integer | OperandType::Pin | OperandType::BitLiteral | OperandType::NumLiteral;
  case VariableKind::Port:
    return OperandType::Pin | OperandType::BitLiteral;
  case VariableKind::Pin:
    return OperandType::Pin;
  default:
    return 0;
  }
}

std::string Variables::GetAliasDestination(const std::string& name) const {
  Variable* v = GetOperand(name);
  if (v && v->aliasTarget) return v->aliasTarget->name;
  return "";
}

bool Variables::AddAlias(const std::string& alias, const std::string& target) {
  Variable* found = GetOperand(target);
  if (!found || !IsValidIdentifier(alias) || GetOperand(alias)) return false;
  variableList.push_back(new Variable(alias, found));
  return true;
}

bool Variables::UpdateAlias(const std::string& oldName, const std::string& newName, const std::string& target) {
  Variable* alias = GetOperand(oldName);
  // A plain operand has no alias target to keep the kind of: refuse it.
  if (!alias || !alias->aliasTarget) return false;
  Variable* found = GetOperand(target);
  if (!found || !IsValidIdentifier(newName) || found->kind != alias->aliasTarget->kind) return false;
  alias->name = newName;
  alias->aliasTarget = found->aliasTarget ? found->aliasTarget : found;
  return true;
}

bool Variables::IsValidIdentifier(const std::string& name) {
  auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (name.empty() || !isLetter(name[0])) return false;
  for (char c : name)
    if (!isLetter(c) && !isDigit(c) && c != '_') return false;
  return true;
}

std::vector<std::string> Variables::SuggestAliasTargets(const std::string& prefix, const std::string& aliasName) const {
  const Variable* self = GetOperand(aliasName);
  const int mask = self ? self->kind : 0;
  std::vector<std::string> names;
  for (const Variable* v : variableList) {
    if (v->aliasTarget) continue;
    if (mask != 0 && (v->kind & mask) == 0) continue;
    if (v->name.compare(0, prefix.size(), prefix) == 0) names.push_back(v->name);
  }
  return names;
}

std::vector<std::string> Variables::GetAllAliases() const {
  std::vector<std::string> names;
  for (const Variable* v : variableList)
    if (v->aliasTarget) names.push_back(v->name);
  return names;
}

std::vector<std::string> Variables::FormatOperands(int mask, const std::string& prefix,
                                                   const std::string& suffix) const {
  std::vector<std::string> lines;
  for (bool aliases : {true, false})
    for (const Variable* v : variableList)
      if ((v->aliasTarget != nullptr) == aliases && (v->kind & mask) != 0) lines.push_back(prefix + v->name + suffix);
  return lines;
}
