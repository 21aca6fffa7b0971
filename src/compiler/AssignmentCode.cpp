// The code of one assignment: the value of its right side stored to an
// integer variable or put on an output port bit.
#include "compiler/Expressions.h"
#include "language/Expressions.h"

namespace {

// The right side in the form its code is made from: one operand, or an
// operation on two.
struct ConvertedRightSide {
  explicit ConvertedRightSide(const RightSide& rightSide) : withOperator(rightSide.op != MathOperator::None) {
    if (withOperator)
      operation = rightSide.ToMathExpression();
    else
      single = rightSide.first.ToValueExpression();
  }

  // Leaves the value in r24:r25.
  void Load(Compiler::Program& program) const {
    if (withOperator)
      program.CodifyExpression(operation);
    else
      program.CodifyExpression(single, 24, 25);
  }

  bool withOperator;
  Compiler::ValueExpression single;
  Compiler::MathExpression operation;
};

}  // namespace

void ParsedAssignment::WriteCode(Compiler::Program& program) const {
  const Variable& t = target->aliasTarget ? *target->aliasTarget : *target;
  if (t.kind == VariableKind::Integer) {
    program.RequireVariableCell(t.name, Compiler::ChartName(*target));
    ConvertedRightSide(rightSide).Load(program);
    program.DeferSTS(Compiler::UnknownAddress{t.name, 0}, 24);
    program.DeferSTS(Compiler::UnknownAddress{t.name, 1}, 25);
  } else if (t.kind == VariableKind::Port) {
    const ConvertedRightSide value(rightSide);
    const Compiler::IoBitName portBit = Compiler::SplitIoBitName(*target);
    const std::string operand = Compiler::ChartName(*target);
    if (!value.withOperator && value.single.kind == Compiler::ValueExpression::ValueLiteral) {
      if (value.single.value == 0)
        program.Emit(Compiler::CBI(program.IoAddress(portBit.port, operand), portBit.bit));
      else if (value.single.value == 1)
        program.Emit(Compiler::SBI(program.IoAddress(portBit.port, operand), portBit.bit));
      else
        throw Compiler::OperandError("Diesem Ausgang kannst du nur 0 oder 1 zuweisen: " + operand);
      return;
    }
    // The port bit takes bit 0 of the value.
    value.Load(program);
    program.Emit(Compiler::SBRS(24, 0));
    program.Emit(Compiler::CBI(program.IoAddress(portBit.port, operand), portBit.bit));
    program.Emit(Compiler::SBRC(24, 0));
    program.Emit(Compiler::SBI(program.IoAddress(portBit.port, operand), portBit.bit));
  }
  // An input pin or ADC target has no code: the block check lets a pin
  // target through, and there is nothing to write to it.
}
