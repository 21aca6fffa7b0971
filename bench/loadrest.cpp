// What taking only whole bytes costs a load of a file at rest: a typical
// project saved long enough ago, loaded with a plain read and with the
// quiet-time check and the second read, back to back in each iteration.
// The goal: at most 10 % more (ratio at most 1.10).
#include <benchmark/benchmark.h>

#include "document/Project.h"
#include "toolkit/FileRest.h"
#include "toolkit/RegularFile.h"
#include "Growth.h"
#include "ScratchFolder.h"
#include "TypicalProject.h"

#include <string>
#include <thread>

namespace {

void BM_LoadAtRest(benchmark::State& state) {
  bench::ScratchFolder folder;
  if (!folder) {
    state.SkipWithError("no scratch folder");
    return;
  }
  const std::string path = folder.File("p.pbn");
  Project project;
  bench::MakeTypicalProject(project);
  bool ready = project.WriteXML(path);
  // Saved long enough ago: neither load waits.
  std::this_thread::sleep_for(2 * NativeQuietTime);
  auto load = [&](bool confirmed) {
    NativeSetConfirmedReads(confirmed);
    bool ok = false;
    Project loaded(path, &ok);
    ready = ready && ok;
  };
  bench::MeasureSwitch(state, "plain", "confirmed", load);
  NativeSetConfirmedReads(true);
  if (!ready) state.SkipWithError("a save or load failed");
}
BENCHMARK(BM_LoadAtRest)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
