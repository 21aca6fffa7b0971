// Placing blocks with the insert tool, deleting, zooming and scrolling in the
// chart view, on the start sub of a real project.
#include <string>

#include "ChartViewTestUtil.h"
#include "document/Assignment.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "support/Files.h"

namespace {

const InstructionInfo* Row(int i) { return &Instruction::InstructionInfos[i]; }

}  // namespace

TEST_F(ChartViewTest, InsertToolsPlaceTheirBlockOnTheGridAroundTheRelease) {
  Place(InsertInstruction, 200, 100, Row(5));
  auto* instruction = dynamic_cast<Instruction*>(Selection().at(0));
  ASSERT_NE(instruction, nullptr);
  EXPECT_EQ(instruction->info, Row(5));
  EXPECT_EQ(X(instruction), 120);
  EXPECT_EQ(Y(instruction), 64);

  struct Case {
    int tool, x, y;
    const char* kind;
  } cases[] = {
      {InsertIfBlock, 120, 56, "if"},   {InsertEndBlock, 136, 64, "end"},    {InsertAssignment, 136, 64, "set"},
      {InsertCallSub, 136, 64, "call"}, {InsertComment, 136, 64, "comment"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ResetFlags();
    Place(c.tool, 200, 100);
    ASSERT_EQ(Selection().size(), 1u);
    ChartItem* block = Selection()[0];
    EXPECT_EQ(X(block), c.x);
    EXPECT_EQ(Y(block), c.y);
    EXPECT_EQ(view.insertTool, InsertNone);
    EXPECT_TRUE(owner.modified);
    EXPECT_TRUE(owner.needsRepaint);
  }
  EXPECT_NE(dynamic_cast<IfBlock*>(ChartItem::FromCanvas(sub->canvas.items[4])), nullptr);
  EXPECT_NE(dynamic_cast<Comment*>(Selection()[0]), nullptr);

  // Away from the origin and zoomed, the release point is converted first.
  sub->canvas.originX = 1000;
  sub->canvas.originY = -50;
  CanvasSetZoom(&sub->canvas, 0.5);
  Place(InsertEndBlock, 101, 51);  // world (1202, 52)
  EXPECT_EQ(X(Selection()[0]), 1136);
  EXPECT_EQ(Y(Selection()[0]), 16);
}

TEST_F(ChartViewTest, WithAnInsertToolPressesDoNothingAndMovesOnlyRepaint) {
  Click(340, 60);
  view.insertTool = InsertEndBlock;
  ResetFlags();
  Down(340, 60);
  EXPECT_EQ(view.mouseMode, ModeIdle);
  Move(380, 100);
  EXPECT_EQ(X(start), 320);
  EXPECT_TRUE(owner.needsRepaint);
  EXPECT_FALSE(owner.modified);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
  // The release places exactly one block, then the tool is gone.
  Up(380, 100);
  EXPECT_EQ(sub->canvas.count, 3u);
  Click(600, 400);
  EXPECT_EQ(sub->canvas.count, 3u);
}

TEST_F(ChartViewTest, ANewBlockTakesTheLooseArrowEndingInsideIt) {
  Place(InsertEndBlock, 384, 190);  // (320, 152): the start arrow ends at (384, 168)
  ChartItem* end = Selection()[0];
  EXPECT_EQ(startArrow->endItem, end);
  EXPECT_EQ(end->incomingConnectors, std::vector<BlockConnector*>{startArrow});
  EXPECT_EQ(startArrow->endY, 152);

  // A plugged arrow is never taken over by a later block.
  Place(InsertAssignment, 384, 160);
  EXPECT_EQ(startArrow->endItem, end);
}

TEST_F(ChartViewTest, ANewBlocksOwnArrowsStayLoose) {
  Place(InsertIfBlock, 384, 168);  // (304, 120): the arrow's end at the rhombus centre
  auto* block = Selection()[0];
  EXPECT_EQ(startArrow->endItem, block);
  EXPECT_EQ(static_cast<BlockConnector*>(block->dependent1)->endItem, nullptr);
  EXPECT_EQ(static_cast<BlockConnector*>(block->dependent2)->endItem, nullptr);
}

TEST_F(ChartViewTest, ACommentNeverTakesAnArrow) {
  Place(InsertComment, 384, 190);
  EXPECT_EQ(startArrow->endItem, nullptr);
  EXPECT_EQ(startArrow->endY, 168);
}

TEST_F(ChartViewTest, TheFirstLooseArrowInCanvasOrderIsPlugged) {
  // Two loose arrows ending at the same point: the start arrow is first.
  Place(InsertAssignment, 200, 100);  // (136, 64), its arrow from (200, 136) to (200, 200)
  auto* second = static_cast<BlockConnector*>(Selection()[0]->dependent1);
  Drag(200, 198, 384, 168);
  ASSERT_EQ(second->endItem, nullptr);
  ASSERT_EQ(second->endX, 384);
  Place(InsertEndBlock, 384, 190);
  EXPECT_EQ(startArrow->endItem, Selection()[0]);
  EXPECT_EQ(second->endItem, nullptr);
}

TEST_F(ChartViewTest, InstructionToolWithoutACatalogueRowPlacesNothing) {
  Place(InsertInstruction, 200, 100, nullptr);
  EXPECT_EQ(sub->canvas.count, 2u);
  EXPECT_EQ(view.insertTool, InsertNone);
  EXPECT_FALSE(owner.modified);
}

TEST_F(ChartViewTest, DeleteRemovesSelectedBlocksButKeepsTheStartBlock) {
  Place(InsertAssignment, 200, 300);
  Place(InsertEndBlock, 600, 300);
  Drag(100, 10, 700, 420);  // everything
  ASSERT_EQ(Selection().size(), 5u);
  ResetFlags();
  view.OnKeyUp(VK_DELETE, 0);
  EXPECT_TRUE(Selection().empty());
  EXPECT_TRUE(owner.modified);
  EXPECT_TRUE(owner.needsRepaint);
  ASSERT_EQ(sub->canvas.count, 2u);  // the start block and its arrow
  EXPECT_EQ(ChartItem::FromCanvas(sub->canvas.items[0]), start);
}

TEST_F(ChartViewTest, DeletingAnArrowsTargetLeavesTheArrowLoose) {
  Place(InsertEndBlock, 384, 190);
  sub->errorItem = Selection()[0];
  ResetFlags();
  view.OnKeyUp(VK_DELETE, 0);
  EXPECT_EQ(startArrow->endItem, nullptr);
  EXPECT_EQ(startArrow->endY, 152);
  // The error mark does not outlive its item.
  EXPECT_EQ(sub->errorItem, nullptr);
  EXPECT_TRUE(owner.modified);
}

TEST_F(ChartViewTest, DeleteWithOnlyArrowsOrTheStartBlockSelectedChangesNothing) {
  Drag(300, 10, 460, 120);  // start block and its arrow
  ResetFlags();
  view.OnKeyUp(VK_DELETE, 0);
  EXPECT_EQ(Selection().size(), 2u);
  EXPECT_EQ(sub->canvas.count, 2u);
  EXPECT_FALSE(owner.modified);
  EXPECT_FALSE(owner.needsRepaint);

  // Only the Delete key deletes.
  Place(InsertEndBlock, 200, 300);
  view.OnKeyUp(8, 0);
  view.OnKeyUp(45, 0);
  EXPECT_EQ(sub->canvas.count, 3u);
}

TEST_F(ChartViewTest, ControlWheelZoomsAboutTheCursorDownToOneTenth) {
  view.OnMouseWheel(1, 100, 50, MK_CONTROL);
  EXPECT_DOUBLE_EQ(sub->canvas.zoom, 1.1);
  EXPECT_NEAR(100 / 1.1 + sub->canvas.originX, 100, 1e-9);
  EXPECT_NEAR(50 / 1.1 + sub->canvas.originY, 50, 1e-9);
  EXPECT_NEAR(sub->canvas.viewWorldWidth, 800 / 1.1, 1e-9);
  EXPECT_TRUE(owner.needsRepaint);
  EXPECT_FALSE(owner.modified);

  CanvasZoomWithSteadyPoint(&sub->canvas, 0.15, 0, 0);
  view.OnMouseWheel(-1, 0, 0, MK_CONTROL);
  EXPECT_DOUBLE_EQ(sub->canvas.zoom, 0.1);
  view.OnMouseWheel(-3, 0, 0, MK_CONTROL | MK_SHIFT);
  EXPECT_DOUBLE_EQ(sub->canvas.zoom, 0.1);
}

TEST_F(ChartViewTest, WheelScrollsByATwentiethOfTheView) {
  view.OnMouseWheel(1, 10, 10, 0);
  EXPECT_DOUBLE_EQ(sub->canvas.originY, -552.0 / 20);
  EXPECT_DOUBLE_EQ(sub->canvas.originX, 0);
  view.OnMouseWheel(-2, 10, 10, MK_SHIFT);
  EXPECT_DOUBLE_EQ(sub->canvas.originX, 80);
  // A click then lands on the scrolled chart.
  Click(340 - 80, 88);  // world (340, 60.4)
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
}

TEST_F(ChartViewTest, ScrollingStopsWhereProjectFilesStillHoldTheChart) {
  view.OnMouseWheel(-1e12, 10, 10, 0);
  EXPECT_DOUBLE_EQ(sub->canvas.originY, ChartView::ScrollLimit - 552.0);
  view.OnMouseWheel(1e12, 10, 10, MK_SHIFT);
  EXPECT_DOUBLE_EQ(sub->canvas.originX, -ChartView::ScrollLimit);
  EXPECT_EQ(view.WorldX(-100000), -ChartView::ScrollLimit);

  // A block placed in the far corner, and moved further out, still saves
  // into a file that loads again.
  Place(InsertAssignment, 10, 551);
  Drag(40, 540, -5000, 900);
  TempFolder folder;
  ASSERT_TRUE(project.WriteXML(folder / "weit.pbn"));
  bool ok = false;
  Project loaded(folder / "weit.pbn", &ok);
  EXPECT_TRUE(ok);
}

TEST_F(ChartViewTest, ResizeSetsTheViewSizeInWorldUnits) {
  CanvasSetZoom(&sub->canvas, 2.0);
  view.OnResize(1000, 700);
  EXPECT_EQ(sub->canvas.viewWidth, 1000);
  EXPECT_EQ(sub->canvas.viewHeight, 700);
  EXPECT_DOUBLE_EQ(sub->canvas.viewWorldWidth, 500);
  EXPECT_DOUBLE_EQ(sub->canvas.viewWorldHeight, 350);
  EXPECT_TRUE(owner.needsRepaint);
}

TEST_F(ChartViewTest, PaintStateGreysOthersOfASelectionAndMarksTheErrorItem) {
  EXPECT_EQ(ChartView::PaintState(sub, start), 0);
  EXPECT_EQ(ChartView::PaintState(sub, startArrow), 0);
  Click(340, 60);
  EXPECT_EQ(ChartView::PaintState(sub, start), 2);
  EXPECT_EQ(ChartView::PaintState(sub, startArrow), 1);
  sub->errorItem = startArrow;
  EXPECT_EQ(ChartView::PaintState(sub, startArrow), 5);
  EXPECT_EQ(ChartView::PaintState(sub, start), 2);
  sub->errorItem = start;
  EXPECT_EQ(ChartView::PaintState(sub, start), 6);
  sub->selection.clear();
  EXPECT_EQ(ChartView::PaintState(sub, start), 4);
}
