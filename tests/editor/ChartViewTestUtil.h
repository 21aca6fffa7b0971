#pragma once
// A chart view over the start sub of a real project, and mouse sequences on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document/BlockConnector.h"
#include "document/ChartItem.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/ChartView.h"

class ChartViewTest : public testing::Test {
protected:
  Project project;
  Sub* sub = project.AddChart();
  ChartViewOwner owner;
  ChartView view{&owner};
  // The start block at (320, 32) and its arrow from (384, 104) down to (384, 168).
  StartBlock* start = sub->start;
  BlockConnector* startArrow = static_cast<BlockConnector*>(sub->start->dependent1);

  ChartViewTest() {
    view.sub = sub;
    view.OnResize(800, 552);
    owner.needsRepaint = false;
  }

  void Down(int x, int y, int keys = 0) { view.OnMouseDown(x, y, keys); }
  void Move(int x, int y, int keys = 0) { view.OnMouseMove(x, y, keys); }
  void Up(int x, int y, int keys = 0) { view.OnMouseUp(x, y, keys); }
  void Click(int x, int y, int keys = 0) {
    Down(x, y, keys);
    Up(x, y, keys);
  }
  // Press, move in a few steps as a hand would, release.
  void Drag(int x0, int y0, int x1, int y1, int keys = 0) {
    Down(x0, y0, keys);
    for (int step = 1; step <= 4; step++) Move(x0 + (x1 - x0) * step / 4, y0 + (y1 - y0) * step / 4, keys);
    Up(x1, y1, keys);
  }
  void Place(int tool, int x, int y, const InstructionInfo* info = nullptr) {
    view.insertTool = tool;
    view.insertInfo = info;
    Click(x, y);
  }

  std::vector<ChartItem*> Selection() const { return sub->selection; }
  bool Selected(ChartItem* item) const {
    return std::find(sub->selection.begin(), sub->selection.end(), item) != sub->selection.end();
  }
  // Clears both flags so a step can be checked on its own.
  void ResetFlags() { owner.needsRepaint = owner.modified = false; }

  static int X(ChartItem* item) { return item->canvasItem.x; }
  static int Y(ChartItem* item) { return item->canvasItem.y; }
};
