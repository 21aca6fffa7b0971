// What the locks of saving and loading cost: saves and loads of a typical
// project, each with the locks and without them back to back, through a new
// file and in place (a file with a second name). The goal: the locks cost
// at most 10 % (ratio at most 1.10).
#include <benchmark/benchmark.h>

#include "document/Project.h"
#include "toolkit/FileLock.h"
#include "toolkit/RegularFile.h"
#include "Growth.h"
#include "ScratchFolder.h"
#include "TypicalProject.h"

#include <string>
#include <unistd.h>

namespace {

void BM_SaveAndLoadWithLocks(benchmark::State& state) {
  const bool inPlace = state.range(0) != 0;
  bench::ScratchFolder folder;
  if (!folder) {
    state.SkipWithError("no scratch folder");
    return;
  }
  const std::string path = folder.File("p.pbn"), second = folder.File("zweit.pbn");
  Project project;
  bench::MakeTypicalProject(project);
  bool ready = project.WriteXML(path) && (!inPlace || ::link(path.c_str(), second.c_str()) == 0);
  auto saveAndLoad = [&](bool locks) {
    NativeSetFileLocking(locks);
    const bool saved = project.WriteXML(path);
    bool ok = false;
    Project loaded(path, &ok);
    ready = ready && saved && ok;
  };
  // Each load follows its save at once: the quiet time it would wait for
  // is not what this measures (bench_loadrest does).
  NativeSetConfirmedReads(false);
  bench::MeasureSwitch(state, "unlocked", "locked", saveAndLoad);
  NativeSetFileLocking(true);
  NativeSetConfirmedReads(true);
  if (!ready) state.SkipWithError("a save or load failed");
}
BENCHMARK(BM_SaveAndLoadWithLocks)
    ->ArgName("in_place")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
