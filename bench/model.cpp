// Hit tests, moves and deletion on large charts.
#include <benchmark/benchmark.h>

#include "Growth.h"

#include "document/BlockConnector.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"

namespace {

// A sub with about `items` items: instruction and end blocks on a grid, the
// instructions' arrows included.
Sub* FillSub(Project& project, int items) {
  Sub* sub = project.AddChart();
  for (int i = 0; static_cast<int>(sub->canvas.count) < items; i++) {
    int x = (i % 100) * 200, y = (i / 100) * 120;
    if (i % 3)
      new Instruction(sub, x, y, &Instruction::InstructionInfos[i % Instruction::InstructionInfosCount]);
    else
      new EndBlock(sub, x, y);
  }
  return sub;
}

struct HitSearch {
  ChartItem* hit;
};

void FirstFineHit(CanvasS*, CanvasItemS* entry, void* user, int x, int y) {
  auto* search = static_cast<HitSearch*>(user);
  ChartItem* item = ChartItem::FromCanvas(entry);
  if (!search->hit && item->IsInItem(x, y)) search->hit = item;
}

void BM_PointHit(benchmark::State& state) {
  Project project;
  Sub* sub = FillSub(project, 10000);
  int i = 0;
  for (auto _ : state) {
    HitSearch search{nullptr};
    int x = (i * 37) % 20000, y = (i * 53) % 8000;
    CanvasForeachItemAt(&sub->canvas, x, y, FirstFineHit, &search);
    benchmark::DoNotOptimize(search.hit);
    i++;
  }
}
BENCHMARK(BM_PointHit);

void CountFineRect(CanvasS*, CanvasItemS* entry, void* user) {
  auto* r = static_cast<int*>(user);
  if (ChartItem::FromCanvas(entry)->IsInItem(r[0], r[1], r[2], r[3])) r[4]++;
}

void BM_RectangleWalk(benchmark::State& state) {
  Project project;
  Sub* sub = FillSub(project, 10000);
  for (auto _ : state) {
    int r[5] = {1000, 1000, 3000, 2000, 0};
    CanvasForeachItemInRect(&sub->canvas, r[0], r[1], r[2], r[3], CountFineRect, r);
    benchmark::DoNotOptimize(r[4]);
  }
}
BENCHMARK(BM_RectangleWalk);

void BM_MoveBlockWith100IncomingArrows(benchmark::State& state) {
  Project project;
  Sub* sub = project.AddChart();
  auto* target = new EndBlock(sub, 5000, 5000);
  for (int i = 0; i < 100; i++) {
    auto* call = new CallSub(sub, (i % 10) * 400, (i / 10) * 400 + (i % 2) * 9000);
    static_cast<BlockConnector*>(call->dependent1)->ConnectTo(target);
  }
  int step = 0;
  for (auto _ : state) {
    int d = (step++ % 2) ? 3000 : -3000;  // back and forth across the sources
    target->Move(d, d);
  }
}
BENCHMARK(BM_MoveBlockWith100IncomingArrows);

// Deleting a sub of 5,000 and one of 50,000 items, measured in one run; the
// goal: the large one takes at most 15 times as long.
void BM_DeleteSubGrowth(benchmark::State& state) {
  auto deleteSub = [](int items) {
    Project project;
    project.AddChart();
    Sub* sub = FillSub(project, items);
    bench::EvictCaches();
    return bench::Seconds([&] { project.DeleteChart(sub); });
  };
  bench::Growth growth("5k", "50k");
  for (auto _ : state) {
    double small = deleteSub(5000);
    growth.Add(state, small, deleteSub(50000));
  }
  growth.Report(state);
}
BENCHMARK(BM_DeleteSubGrowth)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
