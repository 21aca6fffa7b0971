// Charts compiled and run on the simulated Mandolet: their serial output,
// variables and port bits.
#include <gtest/gtest.h>

#include <functional>

#include "Charts.h"
#include "sim/Simulator.h"

namespace {

const uint64_t Limit = 40'000'000;

// Compiles the chart and runs it to the runtime's stop loop.
std::unique_ptr<Sim::Simulator> RunChart(Chart& chart, const std::function<void(Sim::Simulator&)>& prepare = {}) {
  std::unique_ptr<Compiler::Program> program;
  try {
    program = chart.Build();
  } catch (const CodeWriteException& error) {
    ADD_FAILURE() << "compile error: " << error.message;
    throw;
  }
  auto sim = std::make_unique<Sim::Simulator>(Sim::Chip::ATtiny861);
  sim->Load(program->binary.code);
  if (prepare) prepare(*sim);
  EXPECT_TRUE(sim->Run(Limit)) << "the program did not reach its end; pc " << sim->ProgramCounter();
  return sim;
}

TEST(Execution, CountingLoopPrintsZeroToFour) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 < 5");
  auto* print = chart.Do(main, "print_number", {"var0"});
  auto* count = chart.Assign(main, "var0 = var0 + 1");
  Chart::Chain(main, {chart.Assign(main, "var0 = 0"), test, print, chart.Do(main, "print_newline"), count});
  Chart::Arrow(count, test);
  Chart::NoArrow(test, chart.End(main));
  auto sim = RunChart(chart);
  EXPECT_EQ(sim->SerialOutput(), "0\r\n1\r\n2\r\n3\r\n4\r\n");
  EXPECT_EQ(sim->ReadVariable(0), 5);
}

TEST(Execution, ArithmeticWrapsAt16BitsAndDividesTowardZero) {
  struct Case {
    const char* rightSide;
    int16_t expected;
  } cases[] = {
      {"30000 + 30000", -5536}, {"-32768 - 1", 32767},   {"300 * 300", 24464}, {"-7 / 2", -3},          {"7 / -2", -3},
      {"-100 / 7", -14},        {"-32768 / -1", -32768}, {"100 / 7", 14},      {"-1 | 5", -1},          {"12 & 10", 8},
      {"-4 & 255", 252},        {"6 | 9", 15},           {"-123 * 45", -5535}, {"-32768 * -1", -32768}, {"70000", 4464},
      {"0 - 32767", -32767},    {"var1 - var2", 0},      {"ADC3 + 1", 4},
  };
  Chart chart;
  Sub* main = chart.Main();
  std::vector<ChartItem*> blocks;
  int n = 10;
  for (const Case& c : cases) blocks.push_back(chart.Assign(main, "var" + std::to_string(n++) + " = " + c.rightSide));
  blocks.push_back(chart.End(main));
  ChartItem* from = nullptr;
  for (ChartItem* block : blocks) {
    from ? Chart::Arrow(from, block) : Chart::Arrow(main, block);
    from = block;
  }
  auto sim = RunChart(chart);
  n = 10;
  for (const Case& c : cases) EXPECT_EQ(sim->ReadVariable(n++), c.expected) << c.rightSide;
}

TEST(Execution, ComparisonsAreSignedOnBoundaryValues) {
  const int values[] = {-32768, -1, 0, 1, 32767};
  const char* operators[] = {"<", "<=", "=", ">=", ">", "<>"};
  for (int op = 0; op < 6; ++op) {
    // One diamond per pair of values: var(2 + i) becomes 1 when the
    // condition holds, else 2 (var2 to var26).
    Chart chart;
    Sub* main = chart.Main();
    Flow flow(main);
    auto add = [&](ChartItem* block) { return flow.Add(block); };
    int i = 0;
    for (int a : values)
      for (int b : values) {
        add(chart.Assign(main, "var0 = " + std::to_string(a)));
        add(chart.Assign(main, "var1 = " + std::to_string(b)));
        ChartItem* test = add(chart.If(main, std::string("var0 ") + operators[op] + " var1"));
        ChartItem* yes = chart.Assign(main, "var" + std::to_string(2 + i) + " = 1");
        ChartItem* no = chart.Assign(main, "var" + std::to_string(2 + i) + " = 2");
        Chart::Arrow(test, yes);
        Chart::NoArrow(test, no);
        flow.open = {Chart::Out(yes), Chart::Out(no)};
        ++i;
      }
    add(chart.End(main));
    auto sim = RunChart(chart);
    i = 0;
    for (int a : values)
      for (int b : values) {
        const bool holds[] = {a<b, a <= b, a == b, a >= b, a> b, a != b};
        EXPECT_EQ(sim->ReadVariable(2 + i), holds[op] ? 1 : 2) << a << " " << operators[op] << " " << b;
        ++i;
      }
  }
}

TEST(Execution, LiteralOnTheLeftOfAComparison) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "-5 < var0");
  Chart::Chain(main, {chart.Assign(main, "var0 = -4"), test, chart.Do(main, "print_str", {"\"ja\""}), chart.End(main)});
  Chart::NoArrow(test, chart.End(main));
  EXPECT_EQ(RunChart(chart)->SerialOutput(), "ja");
}

TEST(Execution, SubsCallSubsAndRecurseWithACounter) {
  Chart chart;
  Sub* main = chart.Main();
  Sub* outer = chart.AddSub("main");      // named like the runtime's main
  Sub* inner = chart.AddSub("var0");      // like a variable
  Sub* recursive = chart.AddSub("loc3");  // like a generated label
  Sub* twin = chart.AddSub("loc3");       // and a second sub of that name
  Chart::Chain(main, {chart.Call(main, outer), chart.Call(main, recursive), chart.Call(main, twin),
                      chart.Do(main, "print_number", {"var0"}), chart.End(main)});
  Chart::Chain(outer, {chart.Assign(outer, "var0 = var0 + 1"), chart.Call(outer, inner), chart.End(outer)});
  Chart::Chain(inner, {chart.Assign(inner, "var0 = var0 * 10"), chart.End(inner)});
  // loc3: while var1 < 4: var1 = var1 + 1, print it, call itself.
  auto* test = chart.If(recursive, "var1 < 4");
  Chart::Chain(recursive,
               {test, chart.Assign(recursive, "var1 = var1 + 1"), chart.Do(recursive, "print_number", {"var1"}),
                chart.Call(recursive, recursive), chart.Do(recursive, "print_char", {"46"}), chart.End(recursive)});
  Chart::NoArrow(test, chart.End(recursive));
  Chart::Chain(twin, {chart.Do(twin, "print_str", {"\"|\""}), chart.End(twin)});
  auto sim = RunChart(chart);
  EXPECT_EQ(sim->SerialOutput(), "1234....|10");
  EXPECT_EQ(sim->ReadVariable(1), 4);
}

TEST(Execution, PortBitsFromLiteralsAndFromADrivenPin) {
  for (bool level : {false, true}) {
    Chart chart;
    Sub* main = chart.Main();
    chart.variables().variableList.push_back(new Variable("PINA.5", VariableKind::Pin));
    ASSERT_TRUE(chart.variables().AddAlias("Taster", "PINA.5"));
    ASSERT_TRUE(chart.variables().AddAlias("Lampe", "PORTB.3"));
    Chart::Chain(
        main, {chart.Assign(main, "PORTB.0 = 1"), chart.Assign(main, "PORTB.2 = 1"), chart.Assign(main, "PORTB.2 = 0"),
               chart.Assign(main, "PORTB.1 = Taster"), chart.Assign(main, "Lampe = Taster | 0"),
               chart.Assign(main, "var3 = PINA.5 + 10"), chart.End(main)});
    auto sim = RunChart(chart, [&](Sim::Simulator& s) { s.SetPin('A', 5, level); });
    const uint8_t portb = sim->ReadIo(0x18);
    EXPECT_EQ(portb & 0x01, 0x01);
    EXPECT_EQ(portb & 0x04, 0x00);
    EXPECT_EQ((portb >> 1) & 1, level ? 1 : 0);
    EXPECT_EQ((portb >> 3) & 1, level ? 1 : 0);
    EXPECT_EQ(sim->ReadVariable(3), level ? 11 : 10);
  }
}

TEST(Execution, TextWithUmlautGoesOutByteForByte) {
  Chart chart;
  Sub* main = chart.Main();
  Chart::Chain(main,
               {chart.Do(main, "print_str", {"\"Grüße, ä!\""}), chart.Do(main, "print_newline"),
                chart.Do(main, "print_str", {"\"\""}), chart.Do(main, "print_number", {"-32768"}), chart.End(main)});
  EXPECT_EQ(RunChart(chart)->SerialOutput(), "Grüße, ä!\r\n-32768");
}

TEST(Execution, AdcReadingOfADrivenChannelIsStored) {
  Chart chart;
  Sub* main = chart.Main();
  Chart::Chain(main, {chart.Do(main, "adc_read", {"ADC2"}, "var5"), chart.Do(main, "adc_read", {"ADC4"}, "var6"),
                      chart.Assign(main, "var7 = var5 + ADC2"), chart.End(main)});
  auto sim = RunChart(chart, [](Sim::Simulator& s) {
    s.SetAdcMillivolts(2, 2500);
    s.SetAdcMillivolts(4, 1000);
  });
  EXPECT_EQ(sim->ReadVariable(5), 511);
  EXPECT_EQ(sim->ReadVariable(6), 204);
  EXPECT_EQ(sim->ReadVariable(7), 513) << "an ADC operand in a formula is its channel number";
}

}  // namespace
