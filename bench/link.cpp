// The link step over a large compile: 20,000 deferred instructions (calls,
// variable loads and stores, string addresses) and 2,000 string constants.
// The image passes 64 KiB, where addresses wrap; the link step does not mind.
#include "compiler/Program.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int DeferredCount = 20000;
constexpr int StringCount = 2000;

void FillProgram(Compiler::Program& program) {
  for (int i = 0; i < StringCount; ++i) {
    std::string label = program.NewLabel();
    program.stringConstants.emplace_back(label, "Zeile " + std::to_string(i));
    program.DeferLoadFlashAddress(label, 24, 25);
    program.DeferCodeAddressToZ("print_str");
    program.Emit(Compiler::ICALL());
  }
  // The constructor's own entry counts too.
  for (int i = 0; program.deferredInstructions.size() < static_cast<size_t>(DeferredCount); ++i) {
    std::string variable = "var" + std::to_string(i % 64);
    switch (i % 3) {
    case 0:
      program.DeferLDS(24, {variable, 0});
      break;
    case 1:
      program.DeferSTS({variable, 1}, 25);
      break;
    default:
      program.DeferCodeAddressToZ("print_number");
      program.Emit(Compiler::ICALL());
    }
  }
}

void Link(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Compiler::Program program;
    FillProgram(program);
    state.ResumeTiming();
    program.Link();
    benchmark::DoNotOptimize(program.binary.code.data());
  }
  state.counters["perDeferred"] =
      benchmark::Counter(DeferredCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["deferred"] = DeferredCount;
  state.counters["strings"] = StringCount;
}
BENCHMARK(Link)->Unit(benchmark::kMillisecond);

}  // namespace
