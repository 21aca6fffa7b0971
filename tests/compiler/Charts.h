#pragma once
// Builds projects for the compiler tests: blocks placed on a grid of their
// own and arrows plugged straight into their end blocks.
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/CodeWriteException.h"
#include "compiler/Compile.h"
#include "compiler/Program.h"
#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "language/Expressions.h"

class Chart {
public:
  Chart() { project.AddChart(); }

  Sub* Main() { return project.subs[0]; }
  Sub* AddSub(const std::string& name) {
    Sub* sub = project.AddChart();
    sub->name = name;
    return sub;
  }
  Variables& variables() { return project.variables; }

  Assignment* Assign(Sub* sub, const std::string& text) {
    auto* block = new Assignment(sub, NextX(), NextY());
    block->assignment = ParsedAssignment(project.variables, text);
    return block;
  }
  IfBlock* If(Sub* sub, const std::string& text) {
    auto* block = new IfBlock(sub, NextX(), NextY());
    block->compare = ParsedCompare(project.variables, text);
    return block;
  }
  Instruction* Do(Sub* sub, const std::string& routine, std::vector<std::string> arguments = {},
                  const std::string& result = "") {
    auto* block = new Instruction(sub, NextX(), NextY(), Row(routine));
    for (size_t i = 0; i < arguments.size(); ++i) block->arguments[i] = arguments[i];
    block->result = result;
    return block;
  }
  EndBlock* End(Sub* sub) { return new EndBlock(sub, NextX(), NextY()); }
  CallSub* Call(Sub* sub, Sub* target) {
    auto* block = new CallSub(sub, NextX(), NextY());
    block->target = target;
    return block;
  }

  static const InstructionInfo* Row(const std::string& routine) {
    for (const InstructionInfo& info : Instruction::InstructionInfos)
      if (routine == info.routineName) return &info;
    throw std::invalid_argument("no instruction " + routine);
  }

  static BlockConnector* Out(ChartItem* block) { return static_cast<BlockConnector*>(block->dependent1); }
  static BlockConnector* No(ChartItem* ifBlock) { return static_cast<BlockConnector*>(ifBlock->dependent2); }

  // Plugs the block's (first) arrow into `to`; a start block's too.
  static void Arrow(ChartItem* from, ChartItem* to) { Out(from)->ConnectTo(to); }
  static void Arrow(Sub* from, ChartItem* to) { Out(from->start)->ConnectTo(to); }
  static void NoArrow(ChartItem* ifBlock, ChartItem* to) { No(ifBlock)->ConnectTo(to); }

  // Joins the start block and the blocks into one chain, in order.
  static void Chain(Sub* sub, std::initializer_list<ChartItem*> blocks) {
    ChartItem* from = nullptr;
    for (ChartItem* block : blocks) {
      if (from)
        Arrow(from, block);
      else
        Arrow(sub, block);
      from = block;
    }
  }

  // The sub's one block, all its arrows ending at one end block: a condition
  // for "if ...", an argument for "adc_read ...", else an assignment.
  ChartItem* Only(Sub* sub, const std::string& text) {
    ChartItem* block = text.starts_with("if ")         ? If(sub, text.substr(3))
                       : text.starts_with("adc_read ") ? Do(sub, "adc_read", {text.substr(9)}, "var2")
                                                       : static_cast<ChartItem*>(Assign(sub, text));
    EndBlock* end = End(sub);
    Chain(sub, {block, end});
    if (block->dependent2) NoArrow(block, end);
    return block;
  }

  // Compiles, links and checks the size of the image.
  std::unique_ptr<Compiler::Program> Build() {
    auto program = std::make_unique<Compiler::Program>();
    Compiler::CompileAndLink(project, *program);
    return program;
  }

  Project project;

private:
  // Blocks go on a grid of 200 by 150 so that none overlaps another.
  int NextX() { return 200 * (placed % 50); }
  int NextY() { return 150 * (placed++ / 50) + 200; }
  int placed = 0;
};

// Writes a chart as a sequence: every block added receives all arrows still
// open, so the two sides of an if block meet at the next block.
class Flow {
public:
  Flow() = default;
  explicit Flow(Sub* sub) : open{Chart::Out(sub->start)} {}

  ChartItem* Add(ChartItem* block) {
    for (BlockConnector* arrow : open) arrow->ConnectTo(block);
    open = {Chart::Out(block)};
    return block;
  }

  std::vector<BlockConnector*> open;
};

struct CompileError {
  std::string message;
  ChartItem* item = nullptr;
  bool internal = false;  // a std::runtime_error
};

// The error with which compiling the chart ends; an empty message when it compiles.
inline CompileError ErrorOf(Chart& chart) {
  try {
    chart.Build();
  } catch (const CodeWriteException& error) {
    return {error.message, error.item, false};
  } catch (const std::runtime_error& error) {
    return {error.what(), nullptr, true};
  }
  return {};
}
