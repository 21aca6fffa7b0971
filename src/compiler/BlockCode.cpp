// The code of every chart item, of a sub and of a whole project. Each sub is
// written from its start block, depth first along the arrows; a block that
// several arrows enter is written once under a generated label and the other
// arrows jump to it.
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/CodeWriteException.h"
#include "compiler/Compile.h"
#include "compiler/Expressions.h"
#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "language/Expressions.h"
#include "language/Variables.h"

namespace {

const char* const UnconnectedBlockMessage =
    "Dieser Block wird von keiner Stelle deines Programms benutzt!\nWenn du ihn nicht benötigst, lösche ihn!\n"
    "Wenn du ihn aber benutzen willst, verbinde ihn mit einem Pfeil!";
const char* const LooseArrowMessage = "Der Anschluss ist nicht mit einem anderen Block verbunden";
const char* const NoCallTargetMessage =
    "Du hast einen Aufruf für ein Unterprogramm eingefügt, aber kein Unterprogramm festgelegt, das aufgerufen "
    "werden soll! \n\nKlicke doppelt auf den markierten Block, um das zu ändern!";
const char* const BadParameterMessage =
    "Du hast keinen Paramter im Befehls-Block angegeben.\n\nKlicke doppelt auf den markierten Block, um das zu ändern!";
const char* const BadAssignmentMessage =
    "Du hast keine mathematische Formel im Zuweisungsblock angegben. \n\nKlicke doppelt auf den markierten Block, "
    "um das zu ändern!";
const char* const LooseYesMessage = "Ja-Seite ist nicht mit einem Block verbunden";
const char* const LooseNoMessage = "Nein-Seite ist nicht mit einem Block verbunden";
const char* const MissingArrowMessage =
    "Diesem Block fehlt ein Pfeil, der von ihm weiterführt: Die Projektdatei ist beschädigt.\n\n";
const char* const RenewBlockAdvice = "Lösche den markierten Block und füge ihn neu ein!";
// A start block cannot be deleted, nor can the start sub.
const char* const RenewProjectAdvice =
    "Den Startblock kannst du nicht löschen. Lege ein neues Projekt an und zeichne dein Programm dort noch einmal!";
const char* const RenewSubAdvice =
    "Den Startblock kannst du nicht löschen. Lösche dieses Unterprogramm (Doppelklick auf seinen Reiter) und lege "
    "es neu an!";
const char* const BadConditionMessage =
    "Du hast keine Bedingung im Bedingungsblock angegeben.\n\nKlicke doppelt auf den markierten Block, um das zu "
    "ändern!";

// The depth-first walk keeps its pending work on a stack of its own instead
// of the machine stack, so a chain of many thousand blocks cannot overflow
// it. A block writes its own code and then schedules its arrows (and an if
// block its else label between them); whatever is scheduled last runs next,
// which gives the same order as writing the arrows recursively.
struct WalkStep {
  ChartItem* item;  // the item to write, or null to define label
  std::string label;
};

thread_local std::vector<WalkStep>* activeWalk = nullptr;

void Schedule(Compiler::Program& program, std::initializer_list<WalkStep> steps) {
  std::vector<WalkStep> own;
  bool drain = activeWalk == nullptr;
  std::vector<WalkStep>& stack = drain ? own : *activeWalk;
  for (auto step = std::rbegin(steps); step != std::rend(steps); ++step) stack.push_back(*step);
  if (!drain) return;
  struct Active {
    explicit Active(std::vector<WalkStep>* walk) { activeWalk = walk; }
    ~Active() { activeWalk = nullptr; }
  } active(&stack);
  while (!stack.empty()) {
    WalkStep step = std::move(stack.back());
    stack.pop_back();
    if (step.item)
      step.item->WriteCode(program);
    else
      program.DefineLabel(step.label, program.binary.position);
  }
}

// Only a broken project file gives a block fewer outgoing arrows than its
// kind has; the loader refuses anything other than an arrow in their place.
// The advice tells how to get the block back with its arrows.
BlockConnector* RequireArrow(ChartItem* block, ChartItem* dependent, const char* advice = RenewBlockAdvice) {
  if (!dependent) throw CodeWriteException(block, std::string(MissingArrowMessage) + advice);
  auto* arrow = dynamic_cast<BlockConnector*>(dependent);
  if (!arrow) throw std::runtime_error("A block in sub " + block->sub->name + " lacks its outgoing arrow");
  return arrow;
}

const Variables& VariablesOf(const ChartItem* item) { return item->sub->project->variables; }

// The conversions and loads of operands name the operand, not its block:
// their errors become errors of the block whose operands they are.
template <class Work>
auto OperandsOf(ChartItem* block, Work work) -> decltype(work()) {
  try {
    return work();
  } catch (const Compiler::OperandError& error) {
    throw CodeWriteException(block, error.what());
  }
}

}  // namespace

namespace Compiler {

std::string SubLabel(Program& program, const Sub& sub) {
  // Numbered once per compile: a search per call block would grow with
  // calls times subs.
  if (program.subNumbers.empty()) {
    const auto& subs = sub.project->subs;
    for (size_t i = 0; i < subs.size(); ++i) program.subNumbers.emplace(subs[i], i);
  }
  auto found = program.subNumbers.find(&sub);
  if (found == program.subNumbers.end()) throw std::runtime_error("Sub " + sub.name + " is not part of its project");
  return "@sub" + std::to_string(found->second);
}

const Program::CompareMode operatorToCompareMode[6] = {
    Program::CompareLess,           Program::CompareLessOrEqual, Program::CompareEqual,
    Program::CompareGreaterOrEqual, Program::CompareGreater,     Program::CompareNotEqual,
};
static_assert(std::size(operatorToCompareMode) == CompareOperator::None, "one mode per CompareOperator");

Program::CompareMode CompareModeOf(int compareOperator) {
  if (compareOperator < CompareOperator::Less || compareOperator >= CompareOperator::None)
    throw std::runtime_error("Invalid CompareMode cannot be prepared for compiler");
  return operatorToCompareMode[compareOperator];
}

}  // namespace Compiler

void Project::WriteCode(Compiler::Program& program) {
  for (Sub* sub : subs) sub->WriteCode(program);
}

void Sub::WriteCode(Compiler::Program& program) {
  if (!start) throw std::runtime_error("Sub " + name + " has no start block");
  // The check may stop the walk by an exception; the store must not be left
  // in its walking state, which would keep null slots after later removals.
  const auto compact = canvas.compactOnRemove;
  try {
    CanvasForeachItem(&canvas, &Sub::ClearItemLabelAndCheckUnconnected, nullptr);
  } catch (...) {
    canvas.compactOnRemove = compact;
    throw;
  }
  program.DefineLabel(Compiler::SubLabel(program, *this), program.binary.position);
  Schedule(program, {WalkStep{start, {}}});
}

void Sub::ClearItemLabelAndCheckUnconnected(CanvasS*, CanvasItemS* entry, void*) {
  auto* item = static_cast<ChartItem*>(entry->data);
  item->label.clear();
  if (item->incomingConnectors.empty() && item->HasConnectionPoint())
    throw CodeWriteException(item, UnconnectedBlockMessage);
}

void ChartItem::WriteCode(Compiler::Program& program) {
  if (dependent1 && dependent2)
    Schedule(program, {WalkStep{dependent1, {}}, WalkStep{dependent2, {}}});
  else if (dependent1)
    Schedule(program, {WalkStep{dependent1, {}}});
}

void BlockConnector::WriteCode(Compiler::Program& program) {
  ChartItem* end = endItem;
  if (!end) throw CodeWriteException(this, LooseArrowMessage);
  if (!end->HasConnectionPoint())
    throw std::runtime_error("An arrow in sub " + sub->name + " ends at an item that takes no arrows");
  if (!end->label.empty()) {
    program.DeferCodeAddressToZ(Compiler::UnknownAddress{end->label, 0});
    program.Emit(Compiler::IJMP());
    return;
  }
  if (end->incomingConnectors.size() >= 2) {
    std::string label = program.NewLabel();
    program.DefineLabel(label, program.binary.position);
    end->label = label;
  }
  Schedule(program, {WalkStep{end, {}}});
}

void StartBlock::WriteCode(Compiler::Program& program) {
  RequireArrow(this, dependent1, sub == sub->project->subs.front() ? RenewProjectAdvice : RenewSubAdvice);
  program.DefineLabel(Compiler::SubLabel(program, *sub), program.binary.position);
  ChartItem::WriteCode(program);
}

void EndBlock::WriteCode(Compiler::Program& program) { program.Emit(Compiler::RET()); }

void CallSub::WriteCode(Compiler::Program& program) {
  RequireArrow(this, dependent1);
  if (!target) throw CodeWriteException(this, NoCallTargetMessage);
  program.DeferCodeAddressToZ(Compiler::UnknownAddress{Compiler::SubLabel(program, *target), 0});
  program.Emit(Compiler::ICALL());
  ChartItem::WriteCode(program);
}

void Instruction::WriteCode(Compiler::Program& program) {
  RequireArrow(this, dependent1);
  if (!info) throw std::runtime_error("An instruction block in sub " + sub->name + " names no instruction");
  // The catalogue is the same on every board, the runtimes are not: a child
  // must learn which block to change, not meet an undefined label at link.
  if (!program.board.stdlibSymbols->contains(info->routineName))
    throw CodeWriteException(this, std::string("Diesen Befehl gibt es auf dem Board ") + program.board.name +
                                       " nicht: " + info->displayName);
  const Variables& variables = VariablesOf(this);
  std::vector<Compiler::ValueExpression> operands;
  for (int i = 0; i < info->argumentCount; ++i) {
    ParsedParameter parameter(variables, arguments[i]);
    if (!parameter.IsValid(info->arguments[i].typeMask)) throw CodeWriteException(this, BadParameterMessage);
    switch (parameter.kind) {
    case ParameterKind::StringLiteral:
      operands.push_back(Compiler::ValueExpression::FlashString(parameter.stringValue));
      break;
    case ParameterKind::NumLiteral:
      operands.push_back(Compiler::ValueExpression::Literal(static_cast<uint16_t>(parameter.value)));
      break;
    default:
      operands.push_back(OperandsOf(this, [&] { return Compiler::OperandValue(*parameter.operand); }));
      break;
    }
  }
  std::string resultLabel;
  if (info->resultMask != 0) {
    // Files saved before the dialog trimmed may hold blanks around the name.
    const std::string resultName = Trim(result);
    if (resultName.empty()) throw CodeWriteException(this, BadParameterMessage);
    resultLabel = variables.GetAliasDestination(resultName);
    const std::string named = Compiler::ChartName(resultName, resultLabel);
    if (resultLabel.empty()) resultLabel = resultName;
    OperandsOf(this, [&] { program.RequireVariableCell(resultLabel, named); });
  }
  OperandsOf(this, [&] {
    for (size_t i = 0; i < operands.size(); ++i)
      program.CodifyExpression(operands[i], static_cast<unsigned short>(24 - 2 * i),
                               static_cast<unsigned short>(25 - 2 * i));
  });
  program.DeferCodeAddressToZ(Compiler::UnknownAddress{info->routineName, 0});
  program.Emit(Compiler::ICALL());
  if (info->resultMask != 0) {
    program.DeferSTS(Compiler::UnknownAddress{resultLabel, 0}, 24);
    program.DeferSTS(Compiler::UnknownAddress{resultLabel, 1}, 25);
  }
  ChartItem::WriteCode(program);
}

void Assignment::WriteCode(Compiler::Program& program) {
  RequireArrow(this, dependent1);
  const ParsedAssignment& a = assignment;
  const RightSide& right = a.rightSide;
  bool accepted = a.target && right.first.valid && (right.op == MathOperator::None || right.second.valid) &&
                  (Variables::GetCastableTypes(a.target->kind) & right.GetType()) != 0;
  if (!accepted) throw CodeWriteException(this, BadAssignmentMessage);
  OperandsOf(this, [&] { a.WriteCode(program); });
  ChartItem::WriteCode(program);
}

void IfBlock::WriteCode(Compiler::Program& program) {
  BlockConnector* yes = RequireArrow(this, dependent1);
  BlockConnector* no = RequireArrow(this, dependent2);
  if (!yes->endItem) throw CodeWriteException(yes, LooseYesMessage);
  if (!no->endItem) throw CodeWriteException(no, LooseNoMessage);
  if (!compare.left.valid || !compare.right.valid) throw CodeWriteException(this, BadConditionMessage);
  std::string elseLabel = program.NewLabel();
  OperandsOf(this, [&] {
    Compiler::ValueExpression right = compare.right.ToValueExpression();
    Compiler::Program::CompareMode mode = Compiler::CompareModeOf(compare.op);
    Compiler::ValueExpression left = compare.left.ToValueExpression();
    program.CompareAndBranch(left, mode, right, Compiler::UnknownAddress{elseLabel, 0});
  });
  Schedule(program, {WalkStep{yes, {}}, WalkStep{nullptr, elseLabel}, WalkStep{no, {}}});
}
