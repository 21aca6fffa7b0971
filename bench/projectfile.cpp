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

#include <cstdio>
#include <expat.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Blocks = 5000; // each with one arrow: 10,000 items

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

std::string TempFile(const char* name) {
  return "/tmp/pellburne-bench-" + std::to_string(getpid()) + "-" + name;
}

long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

void BM_SaveProject(benchmark::State& state) {
  auto project = MakeProject();
  std::string path = TempFile("save.pbn");
  for (auto _ : state)
    if (!project->WriteXML(path)) state.SkipWithError("save failed");
  state.counters["bytes"] = static_cast<double>(FileSize(path));
  unlink(path.c_str());
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

void BM_LoadProject(benchmark::State& state) {
  std::string path = TempFile("load.pbn");
  MakeProject()->WriteXML(path);
  for (auto _ : state) {
    bool ok = false;
    auto loaded = std::make_unique<Project>(path, &ok);
    if (!ok) state.SkipWithError("load failed");
    state.PauseTiming(); // freeing the items is not part of loading
    loaded.reset();
    state.ResumeTiming();
  }
  state.counters["bytes"] = static_cast<double>(FileSize(path));
  unlink(path.c_str());
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);

// The reader's share of loading: parsing into the node tree.
void BM_ReadTree(benchmark::State& state) {
  std::string path = TempFile("tree.pbn");
  MakeProject()->WriteXML(path);
  for (auto _ : state) {
    XMLReader reader(path);
    benchmark::DoNotOptimize(reader.root);
  }
  unlink(path.c_str());
}
BENCHMARK(BM_ReadTree)->Unit(benchmark::kMillisecond);

// Expat alone on the same file, read the same way, with handlers that do
// nothing: the floor for loading.
void Ignore(void*, const char*, const char**) {}
void IgnoreEnd(void*, const char*) {}
void IgnoreText(void*, const char*, int) {}

void BM_ExpatParse(benchmark::State& state) {
  std::string path = TempFile("expat.pbn");
  MakeProject()->WriteXML(path);
  for (auto _ : state) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, Ignore, IgnoreEnd);
    XML_SetCharacterDataHandler(parser, IgnoreText);
    FILE* file = fopen(path.c_str(), "r");
    for (;;) {
      void* buffer = XML_GetBuffer(parser, 1 << 16);
      size_t got = fread(buffer, 1, 1 << 16, file);
      bool final = got < (1 << 16);
      if (XML_ParseBuffer(parser, static_cast<int>(got), final) == XML_STATUS_ERROR) state.SkipWithError("parse failed");
      if (final) break;
    }
    fclose(file);
    XML_ParserFree(parser);
  }
  state.counters["bytes"] = static_cast<double>(FileSize(path));
  unlink(path.c_str());
}
BENCHMARK(BM_ExpatParse)->Unit(benchmark::kMillisecond);

} // namespace
