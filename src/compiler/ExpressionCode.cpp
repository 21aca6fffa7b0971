// The code that loads operands, computes operations on two operands and
// compares them.
#include "compiler/Expressions.h"
#include "language/Expressions.h"

#include <stdexcept>

namespace Compiler {

ValueExpression ValueExpression::Literal(uint16_t value) {
  ValueExpression v;
  v.kind = ValueLiteral;
  v.value = value;
  return v;
}

ValueExpression ValueExpression::FlashString(const std::string& text) {
  ValueExpression v;
  v.kind = ValueFlashString;
  v.text = text;
  return v;
}

ValueExpression ValueExpression::IntegerVariable(const std::string& name, const std::string& operand) {
  ValueExpression v;
  v.kind = ValueVariable;
  v.variable = UnknownAddress{name, 0};
  v.operand = operand.empty() ? name : operand;
  return v;
}

ValueExpression ValueExpression::IoBit(const std::string& port, uint8_t bit, const std::string& operand) {
  ValueExpression v;
  v.kind = ValueIoBit;
  v.port = port;
  v.bit = bit;
  v.operand = operand;
  return v;
}

uint16_t Program::IoAddress(const std::string& port, const std::string& operand) const {
  auto found = board.ioRegisterToAddress->find(port);
  if (found == board.ioRegisterToAddress->end())
    throw OperandError(std::string("Diesen Anschluss gibt es auf dem Board ") + board.name + " nicht: " + operand);
  return found->second;
}

void Program::RequireVariableCell(const std::string& name, const std::string& operand) const {
  const bool cell = name.size() > 3 && name.compare(0, 3, "var") == 0 &&
                    name.find_first_not_of("0123456789", 3) == std::string::npos && board.stdlibSymbols->contains(name);
  if (!cell)
    throw OperandError(std::string("Diese Variable gibt es auf dem Board ") + board.name + " nicht: " + operand);
}

void Program::CodifyExpression(const ValueExpression& e, unsigned short regLo, unsigned short regHi) {
  switch (e.kind) {
  case ValueExpression::ValueLiteral:
    if (regHi < 16 || regLo < 16)
      throw std::runtime_error("LiteralExpresion may not be stored in registers lower than r16");
    Emit(LDI(regLo, e.value & 0xFF));
    Emit(LDI(regHi, e.value >> 8));
    return;
  case ValueExpression::ValueFlashString: {
    std::string label = NewLabel();
    stringConstants.emplace_back(label, e.text);
    if (regHi < 16 || regLo < 16)
      throw std::runtime_error("Flash-addresses may not be stored in registers lower than r16");
    DeferLoadFlashAddress(UnknownAddress{label, 0}, regLo, regHi);
    return;
  }
  case ValueExpression::ValueVariable:
    RequireVariableCell(e.variable.label, e.operand);
    DeferLDS(regLo, UnknownAddress{e.variable.label, 0});
    DeferLDS(regHi, UnknownAddress{e.variable.label, 1});
    return;
  default: {
    Emit(EOR(regLo, regLo));
    Emit(EOR(regHi, regHi));
    Emit(SBIC(IoAddress(e.port, e.operand), e.bit));
    Emit(INC(regLo));
    return;
  }
  }
}

void Program::CodifyExpression(const MathExpression& e) {
  CodifyExpression(e.left, 24, 25);
  CodifyExpression(e.right, 22, 23);
  switch (e.op) {
  case MathOperator::Add:
    Emit(ADD(24, 22));
    Emit(ADC(25, 23));
    return;
  case MathOperator::Subtract:
    Emit(SUB(24, 22));
    Emit(SBC(25, 23));
    return;
  case MathOperator::Multiply:  // the low 16 bits of the product
    DeferCodeAddressToZ(UnknownAddress{"__mulhi3", 0});
    Emit(ICALL());
    return;
  case MathOperator::Divide:  // signed; the quotient comes back in r22:r23
    DeferCodeAddressToZ(UnknownAddress{"__divmodhi4", 0});
    Emit(ICALL());
    Emit(MOV(24, 22));
    Emit(MOV(25, 23));
    return;
  case MathOperator::Or:
    Emit(OR(24, 22));
    Emit(OR(25, 23));
    return;
  case MathOperator::And:
    Emit(AND(24, 22));
    Emit(AND(25, 23));
    return;
  default:
    throw std::runtime_error("Operation not yet supported");
  }
}

void Program::CompareAndBranch(const ValueExpression& left, CompareMode mode, const ValueExpression& right,
                               const UnknownAddress& target) {
  CodifyExpression(left, 24, 25);
  CodifyExpression(right, 20, 21);
  // The AVR branches test only "less" and "greater or equal": the other two
  // orderings compare with the operands swapped.
  if (mode == CompareGreater || mode == CompareLessOrEqual) {
    Emit(CP(20, 24));
    Emit(CPC(21, 25));
    mode = mode == CompareGreater ? CompareLess : CompareGreaterOrEqual;
  } else {
    Emit(CP(24, 20));
    Emit(CPC(25, 21));
  }
  // The branch skips the jump to the target when the comparison holds.
  switch (mode) {
  case CompareLess:
    Emit(BRLT(3));
    break;
  case CompareGreaterOrEqual:
    Emit(BRGE(3));
    break;
  case CompareEqual:
    Emit(BREQ(3));
    break;
  case CompareNotEqual:
    Emit(BRNE(3));
    break;
  default:
    throw std::runtime_error("Yet unsupported CompareMode encountered");
  }
  DeferCodeAddressToZ(target);
  Emit(IJMP());
}

}  // namespace Compiler
