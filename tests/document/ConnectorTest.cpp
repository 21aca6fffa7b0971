#include "document/BlockConnector.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "ModelTestUtil.h"
#include "document/Comment.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"

namespace {

struct Chart : ::testing::Test {
  Project project;
  Sub* sub = project.AddChart();
  BlockConnector* startArrow = static_cast<BlockConnector*>(sub->start->dependent1);
};

std::vector<int> Directions(const BlockConnector& c) {
  std::vector<int> d;
  for (const ConnectorPart& p : c.parts) d.push_back(p.direction);
  return d;
}

std::vector<std::pair<int, int>> Points(const BlockConnector& c) {
  std::vector<std::pair<int, int>> out;
  for (RoutePoint p : c.RoutePoints()) out.push_back({p.x, p.y});
  return out;
}

using PointList = std::vector<std::pair<int, int>>;

TEST_F(Chart, NewArrowsDownAndToTheRight) {
  EXPECT_EQ(Directions(*startArrow), std::vector<int>{DirDown});
  EXPECT_EQ(startArrow->parts[0].moveBy, 0);
  EXPECT_EQ(startArrow->partsCode, DirStraight | DirDown);
  EXPECT_EQ(startArrow->canvasItem.x, 379);
  EXPECT_EQ(startArrow->canvasItem.y, 99);
  EXPECT_EQ(startArrow->canvasItem.w, 10);
  EXPECT_EQ(startArrow->canvasItem.h, 74);
  EXPECT_TRUE(startArrow->dependent);
  EXPECT_FALSE(startArrow->HasConnectionPoint());

  BlockConnector right(sub, 10, 20, true);
  EXPECT_EQ(right.endX, 74);
  EXPECT_EQ(right.endY, 84);
  EXPECT_EQ(Directions(right), (std::vector<int>{DirRight, DirDown}));
  EXPECT_EQ(Points(right), (PointList{{10, 20}, {74, 20}, {74, 84}}));
  EXPECT_EQ(right.canvasItem.x, 5);
  EXPECT_EQ(right.canvasItem.y, 15);
  EXPECT_EQ(right.canvasItem.w, 74);
  EXPECT_EQ(right.canvasItem.h, 74);

  BlockConnector loaded(sub);
  EXPECT_EQ(loaded.startX, 0);
  EXPECT_EQ(loaded.endY, 64);
  EXPECT_EQ(loaded.endItem, nullptr);
  EXPECT_FALSE(loaded.toRight);
  EXPECT_EQ(Directions(loaded), std::vector<int>{DirDown});
}

TEST_F(Chart, RoutesWorkedOutByHand) {
  BlockConnector c(sub, 100, 100, false);
  c.SetEndPoint(40, 200);  // left, down
  EXPECT_EQ(Points(c), (PointList{{100, 100}, {100, 150}, {40, 150}, {40, 200}}));
  c.SetEndPoint(200, 40);  // right, up
  EXPECT_EQ(Directions(c), (std::vector<int>{DirDown, DirRight, DirUp, DirRight, DirDown}));
  EXPECT_EQ(Points(c), (PointList{{100, 100}, {100, 132}, {150, 132}, {150, 8}, {200, 8}, {200, 40}}));
  EXPECT_EQ(c.canvasItem.x, 95);
  EXPECT_EQ(c.canvasItem.y, 3);
  EXPECT_EQ(c.canvasItem.w, 110);
  EXPECT_EQ(c.canvasItem.h, 134);

  BlockConnector r(sub, 100, 100, true);
  r.SetEndPoint(200, 40);  // right, up
  EXPECT_EQ(Points(r), (PointList{{100, 100}, {150, 100}, {150, 8}, {200, 8}, {200, 40}}));
  r.SetEndPoint(40, 40);  // left, up
  EXPECT_EQ(Directions(r), (std::vector<int>{DirRight, DirUp, DirLeft, DirDown}));
  EXPECT_EQ(Points(r), (PointList{{100, 100}, {132, 100}, {132, 8}, {40, 8}, {40, 40}}));
  r.SetEndPoint(100, 200);  // straight below
  EXPECT_EQ(Points(r), (PointList{{100, 100}, {132, 100}, {132, 118}, {100, 118}, {100, 200}}));
}

TEST_F(Chart, EveryRouteCodeEndsDownwardsNearItsEnd) {
  const int offsets[] = {-301, -65, -1, 0, 1, 7, 64, 65, 333};
  for (bool toRight : {false, true}) {
    for (int ex : offsets) {
      for (int ey : offsets) {
        BlockConnector c(sub, 500, 500, toRight);
        c.SetEndPoint(500 + ex, 500 + ey);
        SCOPED_TRACE(::testing::Message() << "toRight " << toRight << " end offset " << ex << "," << ey);
        int h = ex == 0 ? DirStraight : ex > 0 ? DirRight : DirLeft;
        int v = ey > 0 ? DirDown : DirUp;
        EXPECT_EQ(c.partsCode, h | v);
        std::vector<int> expected;
        if (!toRight) {
          if (h == DirStraight)
            expected =
                v == DirDown ? std::vector<int>{DirDown} : std::vector<int>{DirDown, DirLeft, DirUp, DirRight, DirDown};
          else
            expected =
                v == DirDown ? std::vector<int>{DirDown, h, DirDown} : std::vector<int>{DirDown, h, DirUp, h, DirDown};
        } else if (h != DirRight) {
          expected = {DirRight, v, DirLeft, DirDown};
        } else {
          expected =
              v == DirUp ? std::vector<int>{DirRight, DirUp, DirRight, DirDown} : std::vector<int>{DirRight, DirDown};
        }
        EXPECT_EQ(Directions(c), expected);
        ASSERT_EQ(c.parts.back().direction, DirDown);
        std::vector<RoutePoint> pts = c.RoutePoints();
        ASSERT_EQ(pts.size(), c.parts.size() + 1);
        int n = static_cast<int>(c.parts.size());
        EXPECT_LE(std::abs(pts.back().x - c.endX), n);
        EXPECT_LE(std::abs(pts.back().y - c.endY), n);
        // The arrow enters from above and each part runs along its own axis.
        EXPECT_LE(pts[n - 1].y, pts[n].y);
        for (int i = 0; i < n; i++) {
          if (c.parts[i].direction & DirHorizontalMask)
            EXPECT_EQ(pts[i].y, pts[i + 1].y) << "part " << i;
          else
            EXPECT_EQ(pts[i].x, pts[i + 1].x) << "part " << i;
        }
        // The canvas rectangle holds every point with the margin.
        for (RoutePoint p : pts) {
          EXPECT_GE(p.x, c.canvasItem.x + 5);
          EXPECT_LE(p.x, c.canvasItem.x + c.canvasItem.w - 5);
          EXPECT_GE(p.y, c.canvasItem.y + 5);
          EXPECT_LE(p.y, c.canvasItem.y + c.canvasItem.h - 5);
        }
      }
    }
  }
}

TEST_F(Chart, WalkTruncatesAndFallsShortOfTheEnd) {
  BlockConnector c(sub, 0, 0, false);
  c.SetEndPoint(-100, 65);  // two downward parts share 65
  EXPECT_EQ(Points(c), (PointList{{0, 0}, {0, 32}, {-100, 32}, {-100, 64}}));
  c.SetEndPoint(-100, -65);  // up: truncation toward zero
  c.SetEndPoint(-101, -65);
  EXPECT_EQ(Points(c), (PointList{{0, 0}, {0, 32}, {-50, 32}, {-50, -97}, {-100, -97}, {-100, -65}}));
}

TEST_F(Chart, DraggingTheEndAboveTheStartGivesTheLoop) {
  ASSERT_TRUE(startArrow->WantsDrag(384, 168));
  EXPECT_TRUE(startArrow->dragEnd);
  startArrow->OnDrag(384, 20);  // above the start, over the start block: no connection point there
  EXPECT_EQ(startArrow->endItem, nullptr);
  EXPECT_EQ(startArrow->endX, 384);
  EXPECT_EQ(startArrow->endY, 20);
  EXPECT_EQ(Points(*startArrow), (PointList{{384, 104}, {384, 136}, {480, 136}, {480, -12}, {384, -12}, {384, 20}}));
  EXPECT_EQ(sub->canvas.minY, -17);
}

TEST_F(Chart, PartOffsetsSurviveWithinTheQuadrantOnly) {
  startArrow->WantsDrag(384, 168);
  startArrow->OnDrag(500, 300);
  ASSERT_EQ(Points(*startArrow), (PointList{{384, 104}, {384, 202}, {500, 202}, {500, 300}}));
  // First and last parts cannot be dragged.
  EXPECT_FALSE(startArrow->WantsDrag(384, 150));
  EXPECT_FALSE(startArrow->WantsDrag(500, 250));
  ASSERT_TRUE(startArrow->WantsDrag(440, 202));
  EXPECT_FALSE(startArrow->dragEnd);
  EXPECT_EQ(startArrow->draggedPart, &startArrow->parts[1]);
  startArrow->OnDrag(445, 212);
  startArrow->OnDrag(450, 222);
  EXPECT_EQ(startArrow->parts[1].moveBy, 20);
  EXPECT_EQ(Points(*startArrow), (PointList{{384, 104}, {384, 222}, {500, 222}, {500, 300}}));
  EXPECT_EQ(startArrow->canvasItem.y, 99);
  EXPECT_EQ(startArrow->canvasItem.h, 206);

  ASSERT_TRUE(startArrow->WantsDrag(500, 300));
  startArrow->OnDrag(520, 320);  // still right and down
  EXPECT_EQ(startArrow->parts[1].moveBy, 20);
  EXPECT_EQ(Points(*startArrow)[1], (std::pair{384, 232}));
  startArrow->OnDrag(300, 320);  // across the start's column
  EXPECT_EQ(startArrow->parts[1].moveBy, 0);
  startArrow->OnDrag(520, 320);
  EXPECT_EQ(startArrow->parts[1].moveBy, 0);
}

TEST_F(Chart, VerticalPartsDragSideways) {
  startArrow->WantsDrag(384, 168);
  startArrow->OnDrag(384, 20);
  ASSERT_TRUE(startArrow->WantsDrag(480, 60));  // the upward part of the loop
  startArrow->OnDrag(490, 70);
  EXPECT_EQ(startArrow->parts[2].moveBy, 106);
  EXPECT_EQ(startArrow->parts[1].moveBy, 32);
  EXPECT_EQ(Points(*startArrow)[2], (std::pair{490, 136}));
}

TEST_F(Chart, EndGrabBoxWinsEvenWhereNoPartIsHit) {
  startArrow->WantsDrag(384, 168);
  startArrow->OnDrag(500, 169);  // the walk ends one unit short: (500, 168)
  ASSERT_EQ(Points(*startArrow).back(), (std::pair{500, 168}));
  EXPECT_EQ(startArrow->GetPartAt(500, 174), nullptr);
  startArrow->dragEnd = false;
  EXPECT_TRUE(startArrow->WantsDrag(500, 174));
  EXPECT_TRUE(startArrow->dragEnd);
  EXPECT_TRUE(IsNear(495, 159, 500, 169));
  EXPECT_FALSE(IsNear(494, 159, 500, 169));
  EXPECT_FALSE(IsNear(500, 158, 500, 169));
  EXPECT_FALSE(IsNear(500, 175, 500, 169));
  EXPECT_FALSE(startArrow->WantsDrag(600, 600));
}

TEST_F(Chart, HitBoxesOfParts) {
  // One part from (384, 104) to (384, 168): box 379..389 x 99..173, bounds inclusive.
  EXPECT_EQ(startArrow->GetPartAt(379, 99), &startArrow->parts[0]);
  EXPECT_EQ(startArrow->GetPartAt(389, 173), &startArrow->parts[0]);
  EXPECT_EQ(startArrow->GetPartAt(390, 120), nullptr);
  EXPECT_TRUE(startArrow->IsInItem(384, 120));
  EXPECT_FALSE(startArrow->IsInItem(378, 120));
  EXPECT_FALSE(startArrow->IsInItem(389, 120, 10, 10));  // shares the edge only
  EXPECT_TRUE(startArrow->IsInItem(388, 120, 10, 10));
  EXPECT_FALSE(startArrow->IsInItem(300, 173, 200, 10));
  // Where two parts meet, the earlier one is reported.
  startArrow->SetEndPoint(500, 300);
  EXPECT_EQ(startArrow->GetPartAt(384, 202), &startArrow->parts[0]);
  EXPECT_EQ(startArrow->GetPartAt(500, 202), &startArrow->parts[1]);
}

TEST_F(Chart, EndsPlugIntoTheLowestOfOverlappingBlocks) {
  auto* lower = new EndBlock(sub, 0, 300);
  auto* upper = new EndBlock(sub, 50, 320);
  auto* comment = new Comment(sub, 40, 310);  // topmost, but takes no arrows
  startArrow->WantsDrag(384, 168);
  startArrow->OnDrag(60, 330);
  EXPECT_EQ(startArrow->endItem, lower);
  EXPECT_EQ(startArrow->endX, 64);
  EXPECT_EQ(startArrow->endY, 300);
  ExpectConsistent(sub, {sub->start, startArrow, lower, upper, comment});
  startArrow->OnDrag(170, 330);  // only the upper block here
  EXPECT_EQ(startArrow->endItem, upper);
  EXPECT_EQ(startArrow->endX, 114);
  EXPECT_TRUE(lower->incomingConnectors.empty());
  startArrow->OnDrag(600, 650);  // empty space: loose, following the mouse
  EXPECT_EQ(startArrow->endItem, nullptr);
  EXPECT_EQ(startArrow->endX, 600);
  EXPECT_EQ(startArrow->endY, 650);
  startArrow->OnDrag(350, 60);  // over the start block, which takes no arrows
  EXPECT_EQ(startArrow->endItem, nullptr);
  startArrow->OnDrag(45, 320);  // over the comment and the lower block
  EXPECT_EQ(startArrow->endItem, lower);
  ExpectConsistent(sub, {sub->start, startArrow, lower, upper, comment});
}

TEST_F(Chart, MovingAnArrowMovesALooseEndOnly) {
  startArrow->Move(10, 20);
  EXPECT_EQ(startArrow->startX, 394);
  EXPECT_EQ(startArrow->endY, 188);
  auto* end = new EndBlock(sub, 600, 600);
  startArrow->ConnectTo(end);
  startArrow->Move(10, 20);
  EXPECT_EQ(startArrow->startX, 404);
  EXPECT_EQ(startArrow->endX, 664);
  EXPECT_EQ(startArrow->endY, 600);
}

TEST_F(Chart, ReconnectingAPluggedArrowLeavesTheOldBlock) {
  auto* a = new EndBlock(sub, 0, 300);
  auto* b = new EndBlock(sub, 300, 300);
  startArrow->ConnectTo(a);
  startArrow->ConnectTo(b);
  startArrow->ConnectTo(b);
  EXPECT_TRUE(a->incomingConnectors.empty());
  ExpectConsistent(sub, {sub->start, startArrow, a, b});
}

TEST_F(Chart, AttachingByLoadedNumberKeepsTheEndPoint) {
  auto* end = new EndBlock(sub, 0, 300);
  auto* loaded = new BlockConnector(sub);
  loaded->endX = 77;
  loaded->endY = 99;
  loaded->AttachEndItem(end);
  EXPECT_EQ(loaded->endItem, end);
  EXPECT_EQ(loaded->endX, 77);
  EXPECT_EQ(loaded->endY, 99);
  ExpectConsistent(sub, {sub->start, startArrow, end, loaded});
  loaded->AttachEndItem(nullptr);
  EXPECT_TRUE(end->incomingConnectors.empty());
  delete loaded;
  ExpectConsistent(sub, {sub->start, startArrow, end});
}

}  // namespace
