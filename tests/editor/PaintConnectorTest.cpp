// Arrows painted through the drawing layer: their route in chart
// coordinates, colours by state, arrowhead or cross at the end, the mark.
#include <gtest/gtest.h>

#include "PaintTestUtil.h"
#include "document/BlockConnector.h"
#include "document/IfBlock.h"
#include "document/ProgramFlow.h"

using namespace painttest;

namespace {

// Item-local arrowhead and cross sample points around the end (ex, ey).
constexpr double HeadDx = -3, HeadDy = -6;  // inside the arrowhead, beside the line
constexpr double CrossD = 3.5;              // on a diagonal of the cross

View ViewOf(BlockConnector* c, double zoom = 1.0) {
  View view;
  view.originX = c->canvasItem.x - 30;
  view.originY = c->canvasItem.y - 30;
  view.zoom = zoom;
  view.width = static_cast<int>((c->canvasItem.w + 60) * zoom);
  view.height = static_cast<int>((c->canvasItem.h + 60) * zoom);
  return view;
}

}  // namespace

TEST(PaintConnector, LooseArrowIsDarkGreyAndEndsInACross) {
  Chart chart;
  auto* arrow = static_cast<BlockConnector*>(chart.sub->start->dependent1);
  ASSERT_EQ(arrow->endItem, nullptr);
  View view = ViewOf(arrow);
  QImage image = Render(arrow, 0, view);
  QColor grey = Of(Stock::DarkGrey);
  // The straight line from (384, 104) down to (384, 168).
  for (double y : {106.0, 130.0, 160.0}) EXPECT_TRUE(HasColour(image, view, 384, y, grey, 40)) << y;
  EXPECT_TRUE(HasColour(image, view, 390, 130, Of(Background())));
  EXPECT_TRUE(HasColour(image, view, 378, 130, Of(Background())));
  // A cross over the end, no arrowhead.
  EXPECT_TRUE(HasColour(image, view, 384 + CrossD, 168 + CrossD, grey, 80));
  EXPECT_TRUE(HasColour(image, view, 384 - CrossD, 168 + CrossD, grey, 80));
  EXPECT_TRUE(HasColour(image, view, 384 + CrossD, 168 - CrossD, grey, 80));
  EXPECT_TRUE(HasColour(image, view, 384 + HeadDx, 168 + HeadDy, Of(Background()), 40));
  EXPECT_TRUE(HasColour(image, view, 384, 171, Of(Background()), 60));
}

TEST(PaintConnector, PluggedArrowIsBlackWithAnArrowheadIntoTheBlock) {
  Chart chart;
  auto* arrow = static_cast<BlockConnector*>(chart.sub->start->dependent1);
  EndBlock end(chart.sub, 320, 200);
  arrow->ConnectTo(&end);
  ASSERT_EQ(arrow->endX, 384);
  ASSERT_EQ(arrow->endY, 200);
  View view = ViewOf(arrow);
  QImage image = Render(arrow, 0, view);
  QColor black = Of(Stock::Black);
  for (double y : {106.0, 150.0, 190.0}) EXPECT_TRUE(HasColour(image, view, 384, y, black, 40)) << y;
  // The head: 14 wide, 8 high, its tip at the end point.
  EXPECT_TRUE(HasColour(image, view, 384 + HeadDx, 200 + HeadDy, black, 40));
  EXPECT_TRUE(HasColour(image, view, 384 - HeadDx - 1, 200 + HeadDy, black, 40));
  EXPECT_TRUE(HasColour(image, view, 384 - 6, 200 - 9.5, Of(Background()), 40));
  EXPECT_TRUE(HasColour(image, view, 384 - 6, 200 - 3, Of(Background()), 40));
  // No cross below the end.
  EXPECT_TRUE(HasColour(image, view, 384 + CrossD, 200 + CrossD, Of(Background()), 40));
}

TEST(PaintConnector, GreyedWinsOverSelectedWhichIsCrimson) {
  Chart chart;
  auto* arrow = static_cast<BlockConnector*>(chart.sub->start->dependent1);
  EndBlock end(chart.sub, 320, 200);
  arrow->ConnectTo(&end);
  View view = ViewOf(arrow);
  QImage selected = Render(arrow, PaintSelected, view);
  EXPECT_TRUE(HasColour(selected, view, 384, 150, Of(Stock::Crimson), 40));
  EXPECT_TRUE(HasColour(selected, view, 384 + HeadDx, 200 + HeadDy, Of(Stock::Crimson), 40));

  QImage greyed = Render(arrow, PaintGreyed, view);
  EXPECT_EQ(Render(arrow, PaintGreyed | PaintSelected, view), greyed);
  // The line takes the grey pen, the head the lighter grey fill.
  EXPECT_TRUE(HasColour(greyed, view, 384, 150, Of(Stock::Grey), 20));
  EXPECT_TRUE(HasColour(greyed, view, 384 + HeadDx, 200 + HeadDy, Of(Stock::LighterGrey), 20));

  // A loose arrow follows the same order.
  arrow->AdjustEndToPlugable(384, 300);
  ASSERT_EQ(arrow->endItem, nullptr);
  view = ViewOf(arrow);
  EXPECT_TRUE(HasColour(Render(arrow, PaintSelected, view), view, 384, 250, Of(Stock::Crimson), 40));
  EXPECT_TRUE(HasColour(Render(arrow, PaintSelected | PaintGreyed, view), view, 384, 250, Of(Stock::Grey), 20));
  EXPECT_TRUE(HasColour(Render(arrow, PaintSelected | PaintGreyed, view), view, 384 + CrossD, 300 + CrossD,
                        Of(Stock::Grey), 60));
}

TEST(PaintConnector, MarkCirclesTheEndPoint) {
  Chart chart;
  auto* arrow = static_cast<BlockConnector*>(chart.sub->start->dependent1);
  View view = ViewOf(arrow);
  QImage plain = Render(arrow, 0, view);
  for (int flags : {PaintMarked, PaintMarked | PaintGreyed, PaintMarked | PaintSelected}) {
    SCOPED_TRACE(flags);
    QImage marked = Render(arrow, flags, view);
    QColor crimson = Of(Stock::Crimson);
    EXPECT_TRUE(HasColour(marked, view, 384 - 15, 168, crimson, 40));
    EXPECT_TRUE(HasColour(marked, view, 384 + 14.5, 168, crimson, 40));
    EXPECT_TRUE(HasColour(marked, view, 384 - 10.6, 168 + 10.6, crimson, 90));
    EXPECT_TRUE(HasColour(marked, view, 384 + 10, 168, Of(Background())));
  }
  EXPECT_TRUE(HasColour(plain, view, 384 - 15, 168, Of(Background())));
}

TEST(PaintConnector, NoExitRunsRightThenDownAndKeepsTheZoom) {
  Chart chart;
  IfBlock branch(chart.sub, 100, 300);
  auto* no = static_cast<BlockConnector*>(branch.dependent2);
  ASSERT_EQ(no->startX, 260);
  ASSERT_EQ(no->startY, 348);
  for (double zoom : {1.0, 2.0, 0.5}) {
    SCOPED_TRACE(zoom);
    View view = ViewOf(no, zoom);
    QImage image = Render(no, 0, view);
    QColor grey = Of(Stock::DarkGrey);
    int slack = zoom < 1 ? 200 : 40;
    // Right 64 along the start's row, then down 64 to (324, 412).
    EXPECT_TRUE(HasColour(image, view, 292, 348, grey, slack));
    EXPECT_TRUE(HasColour(image, view, 324, 380, grey, slack));
    EXPECT_TRUE(HasColour(image, view, 292, 380, Of(Background()), 20));
    EXPECT_TRUE(HasColour(image, view, 292, 360, Of(Background()), 20));
    EXPECT_TRUE(HasColour(image, view, 324 + CrossD, 412 + CrossD, grey, zoom < 1 ? 250 : 80));
  }
}

TEST(PaintConnector, DraggedPartsMoveTheDrawnRoute) {
  Chart chart;
  auto* arrow = static_cast<BlockConnector*>(chart.sub->start->dependent1);
  // Down, right, up, left, down: the loop back above the start.
  arrow->AdjustEndToPlugable(384, 60);
  ASSERT_EQ(arrow->parts.size(), 5u);
  // The vertical part on the right, dragged 20 further right.
  arrow->parts[2].moveBy += 20;
  arrow->UpdateCanvasItem();
  View view = ViewOf(arrow);
  QImage image = Render(arrow, 0, view);
  QColor grey = Of(Stock::DarkGrey);
  // Down 32 to (384, 136), right 116, up to y 28, left back, down 32 to the end.
  EXPECT_TRUE(HasColour(image, view, 384, 120, grey, 40));
  EXPECT_TRUE(HasColour(image, view, 440, 136, grey, 40));
  EXPECT_TRUE(HasColour(image, view, 500, 80, grey, 40));
  EXPECT_TRUE(HasColour(image, view, 480, 80, Of(Background()), 20));
  EXPECT_TRUE(HasColour(image, view, 440, 28, grey, 40));
  EXPECT_TRUE(HasColour(image, view, 384, 45, grey, 40));
  EXPECT_TRUE(HasColour(image, view, 384 + CrossD, 60 + CrossD, grey, 80));
}
