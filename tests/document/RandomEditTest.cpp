// Random edits on one chart, checking after every step that arrows and
// incoming lists agree and that the canvas holds exactly the live items.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "ModelTestUtil.h"
#include "document/Assignment.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"

namespace {

struct RandomEditor {
  std::mt19937 rng;
  Project project;
  Sub* sub;
  std::set<ChartItem*> live;
  // How often the interesting cases came up, so the test shows it covered them.
  int deletedWithIncoming = 0;
  int endDragPlugs = 0;

  explicit RandomEditor(unsigned seed) : rng(seed), sub(project.AddChart()) {
    for (ChartItem* item : CanvasItems(sub)) live.insert(item);
  }

  int Random(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

  template <typename T>
  T* Pick(const std::vector<T*>& v) {
    return v.empty() ? nullptr : v[Random(0, static_cast<int>(v.size()) - 1)];
  }

  std::vector<ChartItem*> Blocks() {
    std::vector<ChartItem*> out;
    for (ChartItem* item : CanvasItems(sub))
      if (!item->dependent) out.push_back(item);
    return out;
  }

  std::vector<BlockConnector*> Arrows() {
    std::vector<BlockConnector*> out;
    for (ChartItem* item : CanvasItems(sub))
      if (auto* c = dynamic_cast<BlockConnector*>(item)) out.push_back(c);
    return out;
  }

  void Insert() {
    int x = Random(0, 60) * 8, y = Random(0, 60) * 8;
    ChartItem* item = nullptr;
    switch (Random(0, 5)) {
    case 0:
      item = new EndBlock(sub, x, y);
      break;
    case 1:
      item = new CallSub(sub, x, y);
      break;
    case 2:
      item = new Comment(sub, x, y);
      break;
    case 3:
      item = new Assignment(sub, x, y);
      break;
    case 4:
      item = new IfBlock(sub, x, y);
      break;
    default:
      item = new Instruction(sub, x, y, &Instruction::InstructionInfos[Random(0, 12)]);
      break;
    }
    live.insert(item);
    if (item->dependent1) live.insert(item->dependent1);
    if (item->dependent2) live.insert(item->dependent2);
  }

  void Delete() {
    std::vector<ChartItem*> blocks = Blocks();
    ChartItem* victim = Pick(blocks);
    if (!victim || victim == sub->start) return;
    if (!victim->incomingConnectors.empty()) deletedWithIncoming++;
    live.erase(victim);
    live.erase(victim->dependent1);
    live.erase(victim->dependent2);
    delete victim;
  }

  void Step() {
    switch (Random(0, 6)) {
    case 0:
    case 1:
      Insert();
      break;
    case 2:
      Delete();
      break;
    case 3:
      if (ChartItem* b = Pick(Blocks())) b->Move(Random(-40, 40), Random(-40, 40));
      break;
    case 4: {
      BlockConnector* c = Pick(Arrows());
      std::vector<ChartItem*> targets;
      for (ChartItem* b : Blocks())
        if (b->HasConnectionPoint()) targets.push_back(b);
      if (c && !targets.empty()) c->ConnectTo(Pick(targets));
      break;
    }
    case 5: {  // drag an arrow's end in a few steps
      BlockConnector* c = Pick(Arrows());
      if (!c || !c->WantsDrag(c->endX, c->endY)) break;
      for (int i = Random(1, 4); i > 0; i--) c->OnDrag(Random(-20, 520), Random(-20, 520));
      if (c->endItem) endDragPlugs++;
      break;
    }
    default: {  // drag a middle part sideways
      BlockConnector* c = Pick(Arrows());
      if (!c || c->parts.size() < 3) break;
      std::vector<RoutePoint> pts = c->RoutePoints();
      size_t i = static_cast<size_t>(Random(1, static_cast<int>(c->parts.size()) - 2));
      int x = (pts[i].x + pts[i + 1].x) / 2, y = (pts[i].y + pts[i + 1].y) / 2;
      if (c->WantsDrag(x, y)) c->OnDrag(x + Random(-30, 30), y + Random(-30, 30));
      break;
    }
    }
  }
};

TEST(RandomEdits, ArrowsAndCanvasStayConsistent) {
  int deletedWithIncoming = 0, endDragPlugs = 0;
  for (unsigned seed = 1; seed <= 20; seed++) {
    RandomEditor editor(seed);
    for (int step = 0; step < 300; step++) {
      editor.Step();
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " step " << step);
      ExpectConsistent(editor.sub, editor.live);
      if (::testing::Test::HasFatalFailure()) return;
    }
    int counter = 1;
    CanvasForeachItem(&editor.sub->canvas, Sub::IdentifyItems, &counter);
    EXPECT_EQ(counter, 1 + static_cast<int>(editor.live.size()));
    deletedWithIncoming += editor.deletedWithIncoming;
    endDragPlugs += editor.endDragPlugs;
  }
  EXPECT_GT(deletedWithIncoming, 20);
  EXPECT_GT(endDragPlugs, 20);
}

}  // namespace
