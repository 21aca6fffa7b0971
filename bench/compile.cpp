// Compiling and linking large charts: chains, diamonds and loops. The time
// per block is reported, and the fitted complexity shows that the time grows
// no worse than linearly with the number of blocks.
#include <benchmark/benchmark.h>

#include "../tests/compiler/Charts.h"
#include "Growth.h"

namespace {

// A start sub of about `blocks` blocks, built from repeated pieces:
//   chain:   two assignments and a print in a row;
//   diamond: an if block whose two sides meet at the next piece;
//   loop:    a counter loop around one assignment.
void Fill(Chart& chart, int blocks) {
  Sub* main = chart.Main();
  Flow flow(main);
  auto add = [&](ChartItem* block) { return flow.Add(block); };
  int made = 0;
  for (int piece = 0; made < blocks; ++piece) {
    switch (piece % 3) {
    case 0:
      add(chart.Assign(main, "var1 = var2 + 3"));
      add(chart.Assign(main, "var2 = var1 * var3"));
      add(chart.Do(main, "print_number", {"var2"}));
      made += 3;
      break;
    case 1: {
      ChartItem* test = add(chart.If(main, "var1 < var2"));
      ChartItem* yes = chart.Assign(main, "var4 = var4 - 1");
      Chart::Arrow(test, yes);
      flow.open = {Chart::Out(yes), Chart::No(test)};
      made += 2;
      break;
    }
    default: {
      add(chart.Assign(main, "var5 = 0"));
      ChartItem* head = add(chart.If(main, "var5 < 10"));
      ChartItem* body = chart.Assign(main, "var5 = var5 + 1");
      Chart::Arrow(head, body);
      Chart::Arrow(body, head);
      flow.open = {Chart::No(head)};
      made += 3;
      break;
    }
    }
  }
  add(chart.End(main));
}

void BM_CompileAndLink(benchmark::State& state) {
  const int blocks = static_cast<int>(state.range(0));
  Chart chart;
  Fill(chart, blocks);
  size_t imageSize = 0;
  for (auto _ : state) {
    // Such images are far larger than the board's flash: the size test that
    // would refuse them is left out, the code and the link step are timed.
    Compiler::Program program;
    chart.project.WriteCode(program);
    program.Link();
    imageSize = program.binary.code.size();
    benchmark::DoNotOptimize(program.binary.code.data());
  }
  state.SetComplexityN(blocks);
  state.counters["blocks"] = blocks;
  state.counters["image_bytes"] = static_cast<double>(imageSize);
  state.counters["time_per_block"] = benchmark::Counter(
      static_cast<double>(blocks), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CompileAndLink)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();

// The growth from 10,000 to 20,000 blocks in one run; "ratio" is the
// goal's number (at most 2.2).
void BM_CompileGrowth(benchmark::State& state) {
  Chart small, large;
  Fill(small, 10000);
  Fill(large, 20000);
  auto compile = [](Chart& chart) {
    return bench::Seconds([&] {
      Compiler::Program program;
      chart.project.WriteCode(program);
      program.Link();
      benchmark::DoNotOptimize(program.binary.code.data());
    });
  };
  bench::Growth growth("10k", "20k");
  for (auto _ : state) {
    double s = compile(small);
    growth.Add(state, s, compile(large));
  }
  growth.Report(state);
}
BENCHMARK(BM_CompileGrowth)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
