// Random charts compiled and run on the simulated Mandolet, their printed
// output and variables compared with a small interpreter of chart semantics.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "Charts.h"
#include "sim/Simulator.h"

namespace {

// ---- Reference interpreter: 16-bit two's complement, signed comparisons.

class Interpreter {
public:
  explicit Interpreter(const Project& project) : project(project) {}

  // False when the chart ran longer than any generated chart should.
  bool Run() { return RunSub(project.subs[0], 0); }

  int16_t vars[64] = {};
  std::string output;

private:
  int16_t& Var(const Variable* v) {
    const Variable& plain = v->aliasTarget ? *v->aliasTarget : *v;
    return vars[std::stoi(plain.name.substr(3))];
  }

  int16_t Value(const RightSideToken& token) {
    if (!token.operand) return static_cast<int16_t>(token.value);
    return Var(token.operand);
  }

  int16_t Compute(const RightSide& rightSide) {
    const int a = Value(rightSide.first);
    if (rightSide.op == MathOperator::None) return static_cast<int16_t>(a);
    const int b = Value(rightSide.second);
    switch (rightSide.op) {
    case MathOperator::Add:
      return static_cast<int16_t>(a + b);
    case MathOperator::Subtract:
      return static_cast<int16_t>(a - b);
    case MathOperator::Multiply:
      return static_cast<int16_t>(a * b);
    case MathOperator::Divide:
      return static_cast<int16_t>(a / b);
    case MathOperator::Or:
      return static_cast<int16_t>(a | b);
    default:
      return static_cast<int16_t>(a & b);
    }
  }

  bool Holds(const ParsedCompare& compare) {
    const int a = Value(compare.left), b = Value(compare.right);
    switch (compare.op.value) {
    case CompareOperator::Less:
      return a < b;
    case CompareOperator::LessOrEqual:
      return a <= b;
    case CompareOperator::Equal:
      return a == b;
    case CompareOperator::GreaterOrEqual:
      return a >= b;
    case CompareOperator::Greater:
      return a > b;
    default:
      return a != b;
    }
  }

  bool RunSub(const Sub* sub, int depth) {
    if (depth > 20) return false;
    ChartItem* arrow = sub->start->dependent1;
    while (true) {
      if (++steps > 100000) return false;
      ChartItem* block = static_cast<BlockConnector*>(arrow)->endItem;
      if (dynamic_cast<EndBlock*>(block)) return true;
      arrow = block->dependent1;
      if (auto* assignment = dynamic_cast<Assignment*>(block)) {
        Var(assignment->assignment.target) = Compute(assignment->assignment.rightSide);
      } else if (auto* test = dynamic_cast<IfBlock*>(block)) {
        if (!Holds(test->compare)) arrow = block->dependent2;
      } else if (auto* call = dynamic_cast<CallSub*>(block)) {
        if (!RunSub(call->target, depth + 1)) return false;
      } else if (auto* instruction = dynamic_cast<Instruction*>(block)) {
        const std::string routine = instruction->info->routineName;
        if (routine == "print_newline") {
          output += "\r\n";
        } else {
          ParsedParameter argument(project.variables, instruction->arguments[0]);
          const int16_t n =
              argument.kind == ParameterKind::NumLiteral ? static_cast<int16_t>(argument.value) : Var(argument.operand);
          output += routine == "print_char" ? std::string(1, static_cast<char>(n)) : std::to_string(n);
        }
      }
    }
  }

  const Project& project;
  long steps = 0;
};

// ---- Random charts.

class Generator {
public:
  Generator(Chart& chart, uint32_t seed) : chart(chart), random(seed) { chart.variables().AddAlias("Summe", "var2"); }

  void Generate() {
    const int subs = Pick(1, 3);
    std::vector<Sub*> all = {chart.Main()};
    for (int i = 1; i < subs; ++i) all.push_back(chart.AddSub("Funktion" + std::to_string(i)));
    for (size_t i = 0; i < all.size(); ++i) {
      Sub* sub = all[i];
      later.assign(all.begin() + static_cast<long>(i) + 1, all.end());
      flow = Flow(sub);
      subIndex = static_cast<int>(i);
      budget = 24;
      Sequence(sub, 0);
      Add(chart.End(sub));
    }
  }

private:
  static constexpr int Variables = 6;  // var0 to var5; loops count in var10 and up, by sub and depth

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
  bool Chance(int percent) { return Pick(1, 100) <= percent; }

  std::string Name(int v) { return v == 2 && Chance(50) ? "Summe" : "var" + std::to_string(v); }

  std::string Literal() {
    static const int interesting[] = {0, 1, -1, 2, 7, -32768, 32767, 255, 1000, -300, 70000};
    if (Chance(60)) return std::to_string(interesting[Pick(0, 10)]);
    return std::to_string(Pick(-40000, 40000));
  }
  std::string Operand() { return Chance(60) ? Name(Pick(0, Variables - 1)) : Literal(); }
  // Instruction arguments take only literals within 16 bits.
  std::string PrintOperand() {
    return Chance(70) ? Name(Pick(0, Variables - 1)) : std::to_string(static_cast<int16_t>(std::stol(Literal())));
  }
  std::string NonZeroLiteral() {
    std::string text;
    do text = Literal();
    while (static_cast<int16_t>(std::stol(text)) == 0);
    return text;
  }

  ChartItem* Add(ChartItem* block) { return flow.Add(block); }

  void Sequence(Sub* sub, int depth) {
    const int statements = depth == 0 ? Pick(3, 10) : Pick(0, 4);
    for (int i = 0; i < statements && budget > 0; ++i) {
      --budget;
      const int kind = Pick(0, 99);
      if (kind < 35)
        Assign(sub);
      else if (kind < 48)
        Add(chart.Do(sub, "print_number", {PrintOperand()}));
      else if (kind < 52)
        Add(chart.Do(sub, "print_newline"));
      else if (kind < 55)
        Add(chart.Do(sub, "print_char", {std::to_string(Pick(33, 126))}));
      else if (kind < 70 && depth < 3)
        Diamond(sub, depth);
      else if (kind < 80 && depth < 2)
        Loop(sub, depth);
      else if (kind < 90 && !later.empty())
        Add(chart.Call(sub, later[Pick(0, static_cast<int>(later.size()) - 1)]));
      else if (depth < 3)
        GuardedDivision(sub);
    }
  }

  void Assign(Sub* sub) {
    static const char operators[] = "+-*/|&";
    const std::string target = Name(Pick(0, Variables - 1));
    if (Chance(20)) {
      Add(chart.Assign(sub, target + " = " + Operand()));
      return;
    }
    const int op = Pick(0, 5);
    const std::string right = op == 3 ? NonZeroLiteral() : Operand();
    Add(chart.Assign(sub, target + " = " + Operand() + " " + operators[op] + " " + right));
  }

  std::string Condition() {
    static const char* operators[] = {"<", "<=", "=", ">=", ">", "<>"};
    return Name(Pick(0, Variables - 1)) + " " + operators[Pick(0, 5)] + " " + Operand();
  }

  // An if block whose two sides meet again at the next block.
  void Diamond(Sub* sub, int depth) {
    ChartItem* test = Add(chart.If(sub, Condition()));
    flow.open = {Chart::Out(test)};
    Sequence(sub, depth + 1);
    std::vector<BlockConnector*> yes = flow.open;
    flow.open = {Chart::No(test)};
    Sequence(sub, depth + 1);
    flow.open.insert(flow.open.end(), yes.begin(), yes.end());
  }

  // A counter loop of 0 to 3 rounds around a random body.
  void Loop(Sub* sub, int depth) {
    const std::string counter = "var" + std::to_string(10 + 3 * subIndex + depth);
    Add(chart.Assign(sub, counter + " = 0"));
    ChartItem* head = Add(chart.If(sub, counter + " < " + std::to_string(Pick(0, 3))));
    flow.open = {Chart::Out(head)};
    Sequence(sub, depth + 1);
    ChartItem* step = Add(chart.Assign(sub, counter + " = " + counter + " + 1"));
    Chart::Arrow(step, head);
    flow.open = {Chart::No(head)};
  }

  // A division by a variable, only where it is not zero.
  void GuardedDivision(Sub* sub) {
    const std::string divisor = Name(Pick(0, Variables - 1));
    ChartItem* test = Add(chart.If(sub, divisor + " <> 0"));
    ChartItem* divide = chart.Assign(sub, Name(Pick(0, Variables - 1)) + " = " + Operand() + " / " + divisor);
    Chart::Arrow(test, divide);
    flow.open = {Chart::Out(divide), Chart::No(test)};
  }

  Chart& chart;
  std::mt19937 random;
  Flow flow;
  std::vector<Sub*> later;  // subs a call may target: only later ones, so no chart recurses forever
  int subIndex = 0;
  int budget = 0;
};

// A readable form of a chart for the failure message.
std::string Describe(Project& project) {
  std::ostringstream text;
  for (Sub* sub : project.subs) {
    int id = 0;
    CanvasForeachItem(&sub->canvas, Sub::IdentifyItems, &id);
    text << "sub " << sub->name << "\n";
    CanvasForeachItem(
        &sub->canvas,
        [](CanvasS*, CanvasItemS* entry, void* user) {
          auto& out = *static_cast<std::ostringstream*>(user);
          ChartItem* item = ChartItem::FromCanvas(entry);
          if (item->dependent) return;
          auto target = [](ChartItem* arrow) {
            ChartItem* end = arrow ? static_cast<BlockConnector*>(arrow)->endItem : nullptr;
            return end ? std::to_string(end->id) : std::string("-");
          };
          out << "  " << item->id << ": ";
          if (dynamic_cast<StartBlock*>(item))
            out << "start";
          else if (dynamic_cast<EndBlock*>(item))
            out << "end";
          else if (auto* a = dynamic_cast<Assignment*>(item))
            out << a->assignment.GetString(" ");
          else if (auto* c = dynamic_cast<IfBlock*>(item))
            out << "if " << c->compare.GetString(" ") << ": no -> " << target(item->dependent2) << ", yes";
          else if (auto* call = dynamic_cast<CallSub*>(item))
            out << "call " << call->target->name;
          else if (auto* i = dynamic_cast<Instruction*>(item))
            out << i->info->routineName << "(" << i->arguments[0] << ")";
          if (item->dependent1) out << " -> " << target(item->dependent1);
          out << "\n";
        },
        &text);
  }
  return text.str();
}

TEST(Differential, RandomChartsRunAsTheInterpreterSays) {
  const char* fixed = std::getenv("PELLBURNE_DIFFERENTIAL_SEED");
  const uint32_t seed = fixed ? static_cast<uint32_t>(std::stoul(fixed)) : std::random_device{}();
  int charts = 0;
  size_t blocks = 0, printed = 0, subs = 0;
  for (uint32_t n = 0; charts < 500; ++n) {
    ASSERT_LT(n, 5000u) << "the generator makes too few usable charts";
    Chart chart;
    Generator(chart, seed + n).Generate();
    Interpreter reference(chart.project);
    // Long outputs only make the serial line slow; such charts are skipped.
    if (!reference.Run() || reference.output.size() > 80) continue;
    ++charts;
    subs += chart.project.subs.size();
    for (Sub* sub : chart.project.subs) blocks += sub->canvas.count;
    printed += reference.output.size();
    auto program = chart.Build();
    Sim::Simulator sim(Sim::Chip::ATtiny861);
    sim.Load(program->binary.code);
    const bool ended = sim.Run(200'000'000);
    bool same = ended && sim.SerialOutput() == reference.output;
    for (int v = 0; v < 64 && same; ++v) same = sim.ReadVariable(v) == reference.vars[v];
    if (!same) {
      std::ostringstream vars;
      for (int v = 0; v < 64; ++v)
        if (sim.ReadVariable(v) != reference.vars[v])
          vars << " var" << v << " " << sim.ReadVariable(v) << " (expected " << reference.vars[v] << ")";
      FAIL() << "seed " << seed + n << (ended ? "" : ", did not end") << "\nprinted:  " << sim.SerialOutput()
             << "\nexpected: " << reference.output << "\nvariables:" << vars.str() << "\n"
             << Describe(chart.project);
    }
  }
  std::printf("%d charts from seed %u: %zu subs, %zu items, %zu characters printed\n", charts, seed, subs, blocks,
              printed);
}

}  // namespace
