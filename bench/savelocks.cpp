// What the locks of saving and loading cost: saves and loads of a typical
// project, each with the locks and without them back to back, through a new
// file and in place (a file with a second name). The goal: the locks cost
// at most 10 % (ratio at most 1.10).
#include <benchmark/benchmark.h>

#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "toolkit/FileLock.h"
#include "Growth.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Three subs of twenty blocks, as a class's project has.
void MakeTypicalProject(Project& project) {
  for (int s = 0; s < 3; ++s) {
    Sub* sub = project.AddChart();
    ChartItem* previous = sub->start;
    for (int i = 1; i <= 20; ++i) {
      ChartItem* block;
      if (i % 2) {
        auto* a = new Assignment(sub, 320, 32 + 104 * i);
        a->assignment = ParsedAssignment(project.variables, "var1 = var2 + " + std::to_string(i));
        block = a;
      } else {
        auto* in = new Instruction(sub, 320, 32 + 104 * i, &Instruction::InstructionInfos[11]);
        in->arguments[0] = std::to_string(i * 10);
        block = in;
      }
      static_cast<BlockConnector*>(previous->dependent1)->ConnectTo(block);
      previous = block;
    }
    static_cast<BlockConnector*>(previous->dependent1)->ConnectTo(new EndBlock(sub, 320, 32 + 104 * 21));
  }
}

void BM_SaveAndLoadWithLocks(benchmark::State& state) {
  const bool inPlace = state.range(0) != 0;
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/pellburne-bench-XXXXXX";
  if (!::mkdtemp(folder.data())) {
    state.SkipWithError("no scratch folder");
    return;
  }
  const std::string path = folder + "/p.pbn", second = folder + "/zweit.pbn";
  Project project;
  MakeTypicalProject(project);
  bool ready = project.WriteXML(path) && (!inPlace || ::link(path.c_str(), second.c_str()) == 0);
  auto saveAndLoad = [&](bool locks) {
    NativeSetFileLocking(locks);
    const bool saved = project.WriteXML(path);
    bool ok = false;
    Project loaded(path, &ok);
    ready = ready && saved && ok;
  };
  bench::Growth growth("unlocked", "locked");
  for (auto _ : state) {
    double without = bench::Seconds([&] { saveAndLoad(false); });
    double with = bench::Seconds([&] { saveAndLoad(true); });
    growth.Add(state, without, with);
  }
  NativeSetFileLocking(true);
  if (!ready) state.SkipWithError("a save or load failed");
  growth.Report(state);
  ::unlink(second.c_str());
  ::unlink(path.c_str());
  ::rmdir(folder.c_str());
}
BENCHMARK(BM_SaveAndLoadWithLocks)
    ->ArgName("in_place")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
