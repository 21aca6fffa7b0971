// Saving and loading a large project, against expat's own parse of the same
// file as the reference for loading.
#include <benchmark/benchmark.h>

#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "document/XmlReader.h"
#include "Growth.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <expat.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Blocks = 5000;  // each with one arrow: 10,000 items

// One sub: the start block, then a column of assignment, instruction and call
// blocks, every arrow plugged into the next block.
std::unique_ptr<Project> MakeProject() {
  auto project = std::make_unique<Project>();
  Sub* sub = project->AddChart();
  ChartItem* previous = sub->start;
  int y = 32;
  for (int i = 1; i < Blocks; ++i) {
    y += 104;
    ChartItem* block;
    switch (i % 3) {
    case 0: {
      auto* a = new Assignment(sub, 320, y);
      a->assignment = ParsedAssignment(project->variables, "var1 = var2 + " + std::to_string(i));
      block = a;
      break;
    }
    case 1: {
      auto* in = new Instruction(sub, 320, y, &Instruction::InstructionInfos[11]);
      in->arguments[0] = std::to_string(i);
      block = in;
      break;
    }
    default: {
      auto* call = new CallSub(sub, 320, y);
      call->target = sub;
      block = call;
    }
    }
    static_cast<BlockConnector*>(previous->dependent1)->ConnectTo(block);
    previous = block;
  }
  return project;
}

// The files of one run lie in a folder of their own, removed at the end. A
// benchmark whose file cannot be written reports that and the others go on.
class Scratch {
public:
  Scratch() {
    // Under a file-size limit a write then fails instead of ending the run.
    signal(SIGXFSZ, SIG_IGN);
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pellburne-bench-XXXXXX";
    if (mkdtemp(pattern.data())) folder = pattern;
  }
  ~Scratch() {
    for (const std::string& file : files) unlink(file.c_str());
    if (!folder.empty()) rmdir(folder.c_str());
  }
  std::string Path(const char* name) {
    files.push_back(folder.empty() ? std::string() : folder + "/" + name);
    return files.back();
  }

private:
  std::string folder;
  std::vector<std::string> files;
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

// The project saved in the scratch folder; empty after reporting the error
// when it cannot be written.
std::string Saved(benchmark::State& state, Project& project, const char* name) {
  std::string path = TheScratch().Path(name);
  if (path.empty() || !project.WriteXML(path)) {
    state.SkipWithError(("cannot write " + (path.empty() ? std::string("a scratch folder") : path)).c_str());
    return {};
  }
  return path;
}

long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

void BM_SaveProject(benchmark::State& state) {
  auto project = MakeProject();
  std::string path = Saved(state, *project, "save.pbn");
  if (path.empty()) return;
  for (auto _ : state)
    if (!project->WriteXML(path)) {
      state.SkipWithError(("cannot write " + path).c_str());
      break;
    }
  state.counters["bytes"] = static_cast<double>(FileSize(path));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

void BM_LoadProject(benchmark::State& state) {
  std::string path = Saved(state, *MakeProject(), "load.pbn");
  if (path.empty()) return;
  for (auto _ : state) {
    bool ok = false;
    auto loaded = std::make_unique<Project>(path, &ok);
    if (!ok) {
      state.SkipWithError("load failed");
      break;
    }
    state.PauseTiming();  // freeing the items is not part of loading
    loaded.reset();
    state.ResumeTiming();
  }
  state.counters["bytes"] = static_cast<double>(FileSize(path));
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);

// The reader's share of loading: parsing into the node tree.
void BM_ReadTree(benchmark::State& state) {
  std::string path = Saved(state, *MakeProject(), "tree.pbn");
  if (path.empty()) return;
  for (auto _ : state) {
    XMLReader reader(path);
    benchmark::DoNotOptimize(reader.root);
  }
}
BENCHMARK(BM_ReadTree)->Unit(benchmark::kMillisecond);

// Loading and then freeing a project of 10,000 subs, each calling the next
// by name: the fix-up of call targets and the freeing of many subs. The
// goal: both together in at most 2 s.
void BM_LoadAndFreeManySubs(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::string path;
  {
    Project project;
    for (int i = 0; i < count; ++i) project.AddChart()->name = "Teil" + std::to_string(i);
    for (int i = 0; i < count; ++i) {
      Sub* sub = project.subs[i];
      auto* call = new CallSub(sub, 320, 200);
      call->target = project.subs[(i + 1) % count];
      auto* end = new EndBlock(sub, 320, 350);
      static_cast<BlockConnector*>(sub->start->dependent1)->ConnectTo(call);
      static_cast<BlockConnector*>(call->dependent1)->ConnectTo(end);
    }
    path = Saved(state, project, "subs.pbn");
  }
  if (path.empty()) return;
  std::vector<double> loads, frees;
  for (auto _ : state) {
    bool ok = false;
    Project* loaded = nullptr;
    double load = bench::Seconds([&] { loaded = new Project(path, &ok); });
    double free = bench::Seconds([&] { delete loaded; });
    if (!ok) {
      state.SkipWithError("load failed");
      break;
    }
    loads.push_back(load);
    frees.push_back(free);
    state.SetIterationTime(load + free);
  }
  state.counters["subs"] = count;
  state.counters["load_ms"] = bench::Median(loads) * 1e3;
  state.counters["free_ms"] = bench::Median(frees) * 1e3;
}
BENCHMARK(BM_LoadAndFreeManySubs)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Expat alone on the same file, read the same way, with handlers that do
// nothing: the floor for loading.
void Ignore(void*, const char*, const char**) {}
void IgnoreEnd(void*, const char*) {}
void IgnoreText(void*, const char*, int) {}

void BM_ExpatParse(benchmark::State& state) {
  std::string path = Saved(state, *MakeProject(), "expat.pbn");
  if (path.empty()) return;
  for (auto _ : state) {
    FILE* file = fopen(path.c_str(), "r");
    if (!file) {
      state.SkipWithError(("cannot read " + path).c_str());
      break;
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, Ignore, IgnoreEnd);
    XML_SetCharacterDataHandler(parser, IgnoreText);
    for (;;) {
      void* buffer = XML_GetBuffer(parser, 1 << 16);
      size_t got = fread(buffer, 1, 1 << 16, file);
      bool final = got < (1 << 16);
      if (XML_ParseBuffer(parser, static_cast<int>(got), final) == XML_STATUS_ERROR)
        state.SkipWithError("parse failed");
      if (final) break;
    }
    fclose(file);
    XML_ParserFree(parser);
  }
  state.counters["bytes"] = static_cast<double>(FileSize(path));
}
BENCHMARK(BM_ExpatParse)->Unit(benchmark::kMillisecond);

}  // namespace
