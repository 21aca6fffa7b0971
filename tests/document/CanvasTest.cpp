#include "document/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

namespace {

struct Store {
  CanvasS canvas;
  std::deque<CanvasItemS> entries;  // stable addresses
  Store() { CanvasInit(&canvas); }
  ~Store() { CanvasFree(&canvas); }
  CanvasItemS* Add(int x, int y, int w, int h) {
    entries.push_back({x, y, w, h, nullptr});
    CanvasItemS* e = &entries.back();
    e->data = e;
    CanvasItemAdd(&canvas, e);
    return e;
  }
  std::vector<CanvasItemS*> Slots() const { return {canvas.items, canvas.items + canvas.count}; }
};

void Collect(CanvasS*, CanvasItemS* e, void* user) { static_cast<std::vector<CanvasItemS*>*>(user)->push_back(e); }

void CollectAt(CanvasS*, CanvasItemS* e, void* user, int, int) {
  static_cast<std::vector<CanvasItemS*>*>(user)->push_back(e);
}

TEST(Canvas, GrowsInStepsOf256) {
  Store s;
  EXPECT_EQ(s.canvas.count, 0u);
  s.Add(0, 0, 1, 1);
  EXPECT_EQ(s.canvas.count, 1u);
  EXPECT_EQ(s.canvas.freeSlots, 255u);
  for (int i = 1; i < 256; i++) s.Add(i, 0, 1, 1);
  EXPECT_EQ(s.canvas.freeSlots, 0u);
  s.Add(0, 0, 1, 1);
  EXPECT_EQ(s.canvas.count, 257u);
  EXPECT_EQ(s.canvas.freeSlots, 255u);
  // Removal gives the slot back; the allocation never shrinks.
  CanvasItemRemove(&s.canvas, &s.entries[3]);
  EXPECT_EQ(s.canvas.count, 256u);
  EXPECT_EQ(s.canvas.freeSlots, 256u);
  EXPECT_EQ(s.canvas.items[3], &s.entries[4]);
  CanvasFree(&s.canvas);
  EXPECT_EQ(s.canvas.items, nullptr);
  EXPECT_EQ(s.canvas.count, 0u);
  EXPECT_EQ(s.canvas.freeSlots, 0u);
}

TEST(Canvas, RemovingAnEntryNotInTheStoreChangesNothing) {
  Store s;
  s.Add(0, 0, 1, 1);
  CanvasItemS stranger{0, 0, 1, 1, nullptr};
  CanvasItemRemove(&s.canvas, &stranger);
  EXPECT_EQ(s.canvas.count, 1u);
  EXPECT_EQ(s.canvas.freeSlots, 255u);
}

struct RemovalWalk {
  std::vector<CanvasItemS*> visited;
  std::vector<CanvasItemS*> toRemove;  // removed when the walk reaches entry [0]
  CanvasItemS* trigger = nullptr;
  unsigned countDuringWalk = 0;
  bool sawCompaction = false;
};

void RemoveDuringWalk(CanvasS* c, CanvasItemS* e, void* user) {
  auto* w = static_cast<RemovalWalk*>(user);
  w->visited.push_back(e);
  if (c->count != w->countDuringWalk) w->sawCompaction = true;
  if (e == w->trigger)
    for (CanvasItemS* r : w->toRemove) CanvasItemRemove(c, r);
  if (c->count != w->countDuringWalk) w->sawCompaction = true;
}

TEST(Canvas, RemovalsDuringWalkSkipNothingAndRepeatNothing) {
  Store s;
  for (int i = 0; i < 10; i++) s.Add(i * 10, 0, 5, 5);
  std::vector<CanvasItemS*> before = s.Slots();
  RemovalWalk w;
  w.countDuringWalk = 10;
  w.trigger = before[4];
  // The visited entry itself, an earlier one and two later ones.
  w.toRemove = {before[4], before[1], before[5], before[9]};
  CanvasForeachItem(&s.canvas, RemoveDuringWalk, &w);
  EXPECT_FALSE(w.sawCompaction) << "slots moved under the walk";
  std::vector<CanvasItemS*> expectVisited = {before[0], before[1], before[2], before[3],
                                             before[4], before[6], before[7], before[8]};
  EXPECT_EQ(w.visited, expectVisited);
  std::vector<CanvasItemS*> expectLeft = {before[0], before[2], before[3], before[6], before[7], before[8]};
  EXPECT_EQ(s.Slots(), expectLeft);
  EXPECT_EQ(s.canvas.freeSlots, 256u - 6u);
  EXPECT_TRUE(s.canvas.compactOnRemove);
  // Outside a walk a removal compacts at once again.
  CanvasItemRemove(&s.canvas, before[0]);
  EXPECT_EQ(s.canvas.items[0], before[2]);
  EXPECT_EQ(s.canvas.count, 5u);
}

TEST(Canvas, RemovalsDuringRectAndPointWalks) {
  Store s;
  for (int i = 0; i < 6; i++) s.Add(0, 0, 10, 10);
  std::vector<CanvasItemS*> before = s.Slots();
  RemovalWalk w;
  w.countDuringWalk = 6;
  w.trigger = before[2];
  w.toRemove = {before[2], before[3]};
  CanvasForeachItemInRect(&s.canvas, 0, 0, 10, 10, RemoveDuringWalk, &w);
  EXPECT_FALSE(w.sawCompaction);
  EXPECT_EQ(w.visited, (std::vector<CanvasItemS*>{before[0], before[1], before[2], before[4], before[5]}));
  EXPECT_EQ(s.Slots(), (std::vector<CanvasItemS*>{before[0], before[1], before[4], before[5]}));

  struct PointWalk {
    std::vector<CanvasItemS*> visited;
    CanvasItemS* victim;
  } pw{{}, before[1]};
  CanvasForeachItemAt(
      &s.canvas, 5, 5,
      [](CanvasS* c, CanvasItemS* e, void* user, int, int) {
        auto* p = static_cast<PointWalk*>(user);
        p->visited.push_back(e);
        if (e == c->items[c->count - 1]) CanvasItemRemove(c, p->victim);
      },
      &pw);
  EXPECT_EQ(pw.visited, (std::vector<CanvasItemS*>{before[5], before[4], before[0]}));
  EXPECT_EQ(s.Slots(), (std::vector<CanvasItemS*>{before[0], before[4], before[5]}));
}

// Removal finds an entry by the slot it remembers: whatever mix of adds and
// removals (alone, inside walks, held together) came before, the store keeps
// the order of addition, the point walk reports topmost first, and every
// entry can still be removed.
TEST(Canvas, OrderAndHitOrderSurviveAnyMixOfRemovals) {
  Store s;
  std::vector<CanvasItemS*> model;  // the expected slots
  std::mt19937 random(13);
  auto pick = [&] { return model[random() % model.size()]; };
  auto forget = [&](CanvasItemS* e) { model.erase(std::find(model.begin(), model.end(), e)); };
  struct Walk {
    std::vector<CanvasItemS*> doomed;
  };
  for (int step = 0; step < 600; step++) {
    int op = model.size() < 20 ? 0 : static_cast<int>(random() % 5);
    if (op <= 1) {
      model.push_back(s.Add(0, 0, 10, 10));
    } else if (op == 2) {
      CanvasItemS* e = pick();
      forget(e);
      CanvasItemRemove(&s.canvas, e);
      CanvasItemRemove(&s.canvas, e);  // gone already: changes nothing
    } else {
      Walk walk;
      for (int i = 0; i < 4; i++) {
        CanvasItemS* e = pick();
        if (std::find(walk.doomed.begin(), walk.doomed.end(), e) == walk.doomed.end()) walk.doomed.push_back(e);
      }
      for (CanvasItemS* e : walk.doomed) forget(e);
      if (op == 3) {
        CanvasForeachItem(
            &s.canvas,
            [](CanvasS* c, CanvasItemS*, void* user) {
              for (CanvasItemS* e : static_cast<Walk*>(user)->doomed) CanvasItemRemove(c, e);
            },
            &walk);
      } else {
        CanvasHoldCompaction(&s.canvas, [&] {
          for (CanvasItemS* e : walk.doomed) CanvasItemRemove(&s.canvas, e);
        });
      }
    }
    ASSERT_EQ(s.Slots(), model) << "step " << step;
  }
  std::vector<CanvasItemS*> hits;
  CanvasForeachItemAt(&s.canvas, 5, 5, CollectAt, &hits);
  EXPECT_EQ(hits, std::vector<CanvasItemS*>(model.rbegin(), model.rend()));
  while (!model.empty()) {
    CanvasItemS* e = pick();
    forget(e);
    CanvasItemRemove(&s.canvas, e);
  }
  EXPECT_EQ(s.canvas.count, 0u);
}

TEST(Canvas, EntriesAddedDuringWalkAreVisitedOnlyByForwardWalks) {
  Store s;
  s.Add(0, 0, 10, 10);
  struct Adding {
    Store* s;
    int calls = 0;
  } a{&s};
  auto add = [](CanvasS*, CanvasItemS*, void* user) {
    auto* a = static_cast<Adding*>(user);
    if (++a->calls < 3) a->s->Add(0, 0, 10, 10);
  };
  CanvasForeachItem(&s.canvas, add, &a);
  EXPECT_EQ(a.calls, 3);
  EXPECT_EQ(s.canvas.count, 3u);

  int calls = 0;
  struct AddingAt {
    Store* s;
    int* calls;
  } b{&s, &calls};
  CanvasForeachItemAt(
      &s.canvas, 1, 1,
      [](CanvasS*, CanvasItemS*, void* user, int, int) {
        auto* b = static_cast<AddingAt*>(user);
        ++*b->calls;
        b->s->Add(0, 0, 10, 10);
      },
      &b);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(s.canvas.count, 6u);
}

TEST(Canvas, PointWalkGoesTopmostFirstAndCountsEdgesInside) {
  Store s;
  CanvasItemS* a = s.Add(0, 0, 100, 100);
  CanvasItemS* b = s.Add(50, 50, 100, 100);
  std::vector<CanvasItemS*> hits;
  CanvasForeachItemAt(&s.canvas, 60, 60, CollectAt, &hits);
  EXPECT_EQ(hits, (std::vector<CanvasItemS*>{b, a}));
  // Corners and edges of a are inside it.
  for (auto [x, y] : {std::pair{0, 0}, {100, 100}, {0, 100}, {100, 0}}) {
    hits.clear();
    CanvasForeachItemAt(&s.canvas, x, y, CollectAt, &hits);
    ASSERT_FALSE(hits.empty()) << x << "," << y;
    EXPECT_EQ(hits.back(), a);
  }
  hits.clear();
  CanvasForeachItemAt(&s.canvas, 151, 150, CollectAt, &hits);
  CanvasForeachItemAt(&s.canvas, -1, 0, CollectAt, &hits);
  EXPECT_TRUE(hits.empty());
  // The walk passes the point on.
  std::pair<int, int> seen{0, 0};
  CanvasForeachItemAt(
      &s.canvas, 7, 9,
      [](CanvasS*, CanvasItemS*, void* user, int x, int y) {
        *static_cast<std::pair<int, int>*>(user) = {x, y};
      },
      &seen);
  EXPECT_EQ(seen, (std::pair{7, 9}));
}

TEST(Canvas, RectangleWalkNeedsStrictOverlap) {
  Store s;
  CanvasItemS* a = s.Add(10, 10, 20, 20);
  std::vector<CanvasItemS*> hits;
  // Sharing an edge or a corner only is no overlap.
  CanvasForeachItemInRect(&s.canvas, 30, 10, 10, 10, Collect, &hits);
  CanvasForeachItemInRect(&s.canvas, 0, 0, 10, 40, Collect, &hits);
  CanvasForeachItemInRect(&s.canvas, 10, 30, 5, 5, Collect, &hits);
  CanvasForeachItemInRect(&s.canvas, 30, 30, 5, 5, Collect, &hits);
  EXPECT_TRUE(hits.empty());
  CanvasForeachItemInRect(&s.canvas, 29, 29, 5, 5, Collect, &hits);
  CanvasForeachItemInRect(&s.canvas, 0, 0, 100, 100, Collect, &hits);  // enclosing
  CanvasForeachItemInRect(&s.canvas, 15, 15, 1, 1, Collect, &hits);    // enclosed
  EXPECT_EQ(hits, (std::vector<CanvasItemS*>{a, a, a}));
  EXPECT_FALSE(IntersectRectangles(0, 0, 10, 10, 10, 0, 10, 10));
  EXPECT_TRUE(IntersectRectangles(0, 0, 10, 10, 9, 9, 10, 10));
  EXPECT_TRUE(IntersectRectangles(9, 9, 10, 10, 0, 0, 10, 10));
  // A point on the shared edge is in both entries.
  CanvasItemS* b = s.Add(30, 10, 10, 10);
  std::vector<CanvasItemS*> at;
  CanvasForeachItemAt(&s.canvas, 30, 15, CollectAt, &at);
  EXPECT_EQ(at, (std::vector<CanvasItemS*>{b, a}));
}

TEST(Canvas, WalksOverAnEmptyStoreCallNothing) {
  Store s;
  std::vector<CanvasItemS*> hits;
  CanvasForeachItem(&s.canvas, Collect, &hits);
  CanvasForeachItemInRect(&s.canvas, -100, -100, 200, 200, Collect, &hits);
  CanvasForeachItemAt(&s.canvas, 0, 0, CollectAt, &hits);
  EXPECT_TRUE(hits.empty());
  EXPECT_EQ(s.canvas.count, 0u);
  EXPECT_EQ(s.canvas.freeSlots, 0u);
  EXPECT_TRUE(s.canvas.compactOnRemove);
}

TEST(Canvas, ZoomKeepsTheWorldPointUnderThePixel) {
  Store s;
  CanvasSetViewOrigin(&s.canvas, 0, 0);
  CanvasSetViewSize(&s.canvas, 800, 600);
  CanvasZoomWithSteadyPoint(&s.canvas, 2.0, 100, 50);
  EXPECT_DOUBLE_EQ(s.canvas.zoom, 2.0);
  EXPECT_DOUBLE_EQ(s.canvas.originX, 50);
  EXPECT_DOUBLE_EQ(s.canvas.originY, 25);
  EXPECT_DOUBLE_EQ(s.canvas.viewWorldWidth, 400);
  EXPECT_DOUBLE_EQ(s.canvas.viewWorldHeight, 300);
  // And back out about another pixel from a shifted origin.
  CanvasZoomWithSteadyPoint(&s.canvas, 0.5, 400, 300);
  double wx = 400 / 2.0 + 50, wy = 300 / 2.0 + 25;
  EXPECT_DOUBLE_EQ(s.canvas.originX, wx - 400 / 0.5);
  EXPECT_DOUBLE_EQ(s.canvas.originY, wy - 300 / 0.5);
  EXPECT_DOUBLE_EQ(s.canvas.viewWorldWidth, 1600);
}

TEST(Canvas, ScrollbarFractions) {
  Store s;
  CanvasSetViewOrigin(&s.canvas, 0, 0);
  CanvasSetViewSize(&s.canvas, 100, 50);
  double hp, hs, vp, vs;
  CanvasGetScrollbarInfo(&s.canvas, &hp, &hs, &vp, &vs);  // nothing placed yet
  EXPECT_EQ(hs, 1.0);
  EXPECT_EQ(hp, 0.0);
  CanvasWidenExtent(&s.canvas, 0, 0, 400, 200);
  CanvasSetViewOrigin(&s.canvas, 100, 500);
  CanvasGetScrollbarInfo(&s.canvas, &hp, &hs, &vp, &vs);
  EXPECT_DOUBLE_EQ(hs, 0.25);
  EXPECT_DOUBLE_EQ(hp, 0.25);
  EXPECT_DOUBLE_EQ(vs, 0.25);
  EXPECT_DOUBLE_EQ(vp, 150.0 / 200);  // held at the end of the extent
  CanvasSetViewOrigin(&s.canvas, -30, 0);
  CanvasGetScrollbarInfo(&s.canvas, &hp, &hs, &vp, &vs);
  EXPECT_DOUBLE_EQ(hp, 0.0);
  CanvasSetViewSize(&s.canvas, 800, 800);  // view larger than the chart
  CanvasSetViewOrigin(&s.canvas, 100, 100);
  CanvasGetScrollbarInfo(&s.canvas, &hp, &hs, &vp, &vs);
  EXPECT_EQ(hs, 1.0);
  EXPECT_EQ(hp, 0.0);
}

TEST(Canvas, ExtentOnlyGrows) {
  Store s;
  CanvasWidenExtent(&s.canvas, 10, 20, 30, 40);
  EXPECT_EQ(s.canvas.minX, 0);
  EXPECT_EQ(s.canvas.minY, 0);
  EXPECT_EQ(s.canvas.maxX, 40);
  EXPECT_EQ(s.canvas.maxY, 60);
  CanvasWidenExtent(&s.canvas, -5, 1, 1, 1);
  CanvasWidenExtent(&s.canvas, 1, 1, 1, 1);
  EXPECT_EQ(s.canvas.minX, -5);
  EXPECT_EQ(s.canvas.maxX, 40);
  EXPECT_EQ(s.canvas.maxY, 60);
}

}  // namespace
