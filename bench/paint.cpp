// Painting a large chart zoomed out: a sub of 10,000 items at zoom 0.125 in
// an 800 x 552 view, with nothing selected and with half the sub selected.
// The budget is 8 ms a frame for about 2,000 visible items.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <string>

#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/ChartView.h"
#include "toolkit/QtDrawing.h"

namespace {

void EnsureApplication() {
  static std::unique_ptr<QApplication> app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_paint";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
  }();
}

// Every kind of block on a grid, with the texts a chart has: repeated ones
// ("Ende", "Ja", "Nein") and ones that differ from block to block.
Sub* FillSub(Project& project, int items) {
  Sub* sub = project.AddChart();
  for (int i = 0; static_cast<int>(sub->canvas.count) < items; i++) {
    int x = (i % 100) * 200, y = (i / 100) * 120;
    switch (i % 6) {
    case 0:
      new EndBlock(sub, x, y);
      break;
    case 1: {
      auto* a = new Assignment(sub, x, y);
      a->assignment = ParsedAssignment(project.variables, "var1 = var2 + " + std::to_string(i % 50));
      break;
    }
    case 2: {
      auto* test = new IfBlock(sub, x, y);
      test->compare = ParsedCompare(project.variables, "var1 < " + std::to_string(i % 20));
      break;
    }
    case 3:
      new CallSub(sub, x, y);
      break;
    case 4:
      new Comment(sub, x, y);
      break;
    default:
      new Instruction(sub, x, y, &Instruction::InstructionInfos[i % Instruction::InstructionInfosCount]);
    }
  }
  return sub;
}

void CountItem(CanvasS*, CanvasItemS*, void* count) { ++*static_cast<int*>(count); }

// First argument 0: nothing selected; 1: every second item selected. Second:
// the zoom in eighths (1 is 0.125, the budget's case), so that the rows give
// frame time against visible items.
void BM_PaintZoomedOut(benchmark::State& state) {
  EnsureApplication();
  Project project;
  Sub* sub = FillSub(project, 10000);
  if (state.range(0)) {
    for (unsigned i = 0; i < sub->canvas.count; i += 2)
      sub->selection.push_back(ChartItem::FromCanvas(sub->canvas.items[i]));
  }
  ChartViewOwner owner;
  ChartView view(&owner);
  view.sub = sub;
  view.OnResize(800, 552);
  CanvasSetZoom(&sub->canvas, static_cast<double>(state.range(1)) / 8);
  int visible = 0;
  CanvasForeachItemInRect(&sub->canvas, 0, 0, static_cast<int>(sub->canvas.viewWorldWidth),
                          static_cast<int>(sub->canvas.viewWorldHeight), CountItem, &visible);
  QImage image(800, 552, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QtDrawing drawing(image);
    view.OnPaint(&drawing);
  }
  state.counters["visible_items"] = visible;
  state.counters["selected"] = static_cast<double>(sub->selection.size());
}
BENCHMARK(BM_PaintZoomedOut)->ArgsProduct({{0, 1}, {8, 4, 2, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
