// Selecting, moving and dragging in the chart view, driven by mouse sequences
// on the start sub of a real project.
#include "ChartViewTestUtil.h"
#include "document/Comment.h"
#include "document/IfBlock.h"

TEST(ChartViewGrid, SnapsToTheNearestMultipleOfEightWithFourGoingUp) {
  EXPECT_EQ(ChartView::Snap(3), 0);
  EXPECT_EQ(ChartView::Snap(4), 8);
  EXPECT_EQ(ChartView::Snap(12), 16);
  EXPECT_EQ(ChartView::Snap(11), 8);
  EXPECT_EQ(ChartView::Snap(-4), 0);
  EXPECT_EQ(ChartView::Snap(-5), -8);
  EXPECT_EQ(ChartView::Snap(-12), -8);
  EXPECT_EQ(ChartView::Snap(-13), -16);
}

TEST_F(ChartViewTest, ViewPixelsMapToWorldPointsTruncatedTowardZero) {
  EXPECT_EQ(view.WorldX(200), 200);
  sub->canvas.originX = -10.5;
  sub->canvas.originY = 3.75;
  CanvasSetZoom(&sub->canvas, 2.0);
  EXPECT_EQ(view.WorldX(5), -8);   // -8.0
  EXPECT_EQ(view.WorldX(3), -9);   // -9.0
  EXPECT_EQ(view.WorldX(0), -10);  // -10.5 truncates up
  EXPECT_EQ(view.WorldX(30), 4);   // 4.5 truncates down
  EXPECT_EQ(view.WorldY(1), 4);    // 4.25
}

TEST_F(ChartViewTest, ClickSelectsTheTopmostItemWhoseShapeHoldsThePoint) {
  Click(340, 60);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
  EXPECT_TRUE(owner.needsRepaint);
  EXPECT_FALSE(owner.modified);

  // The arrow lies above its block: a click on the block's bottom centre takes it.
  Click(384, 102);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{startArrow});

  // A click on empty chart empties the selection...
  ResetFlags();
  Click(600, 400);
  EXPECT_TRUE(Selection().empty());
  EXPECT_TRUE(owner.needsRepaint);
  // ...and with nothing selected asks for no repaint.
  ResetFlags();
  Click(600, 400);
  EXPECT_FALSE(owner.needsRepaint);
  EXPECT_EQ(view.mouseMode, ModeIdle);
}

TEST_F(ChartViewTest, ClickOnAnIfBlockCornerOutsideTheRhombusHitsNothing) {
  Place(InsertIfBlock, 200, 350);  // rhombus in (120, 304, 160, 96)
  Click(600, 400);
  Click(124, 306);
  EXPECT_TRUE(Selection().empty());
  Click(200, 350);
  ASSERT_EQ(Selection().size(), 1u);
  EXPECT_NE(dynamic_cast<IfBlock*>(Selection()[0]), nullptr);
}

TEST_F(ChartViewTest, MovingABlockSnapsToTheGridAndTakesItsLooseArrowAlong) {
  Drag(340, 60, 380, 90);  // snapped 344 -> 384 and 64 -> 88
  EXPECT_EQ(X(start), 360);
  EXPECT_EQ(Y(start), 56);
  EXPECT_EQ(startArrow->startX, 424);
  EXPECT_EQ(startArrow->startY, 128);
  EXPECT_EQ(startArrow->endX, 424);
  EXPECT_EQ(startArrow->endY, 192);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
  EXPECT_TRUE(owner.modified);
  EXPECT_TRUE(owner.needsRepaint);
  EXPECT_EQ(view.mouseMode, ModeIdle);
}

TEST_F(ChartViewTest, MovingAwayAndBackIsAClickThatModifiesNothing) {
  Click(600, 400);
  ResetFlags();
  Down(340, 60);
  Move(380, 100);
  EXPECT_EQ(X(start), 360);
  Move(343, 62);
  Up(343, 62);
  EXPECT_EQ(X(start), 320);
  EXPECT_EQ(Y(start), 32);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
  EXPECT_FALSE(owner.modified);
  EXPECT_TRUE(owner.needsRepaint);
}

TEST_F(ChartViewTest, AReleaseFarFromThePressModifiesEvenWithoutAGridStep) {
  Down(332, 60);  // snaps to 336
  Move(339, 60);  // still 336
  Up(339, 60);
  EXPECT_EQ(X(start), 320);
  EXPECT_TRUE(owner.modified);
}

TEST_F(ChartViewTest, ASmallMoveAcrossAGridLineCountsAsAnEdit) {
  Down(338, 60);  // snaps to 336
  Move(341, 60);  // snaps to 344: the block moves by 8
  Up(341, 60);
  EXPECT_EQ(X(start), 328);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
  EXPECT_TRUE(owner.modified);
}

TEST_F(ChartViewTest, PressingOnAMemberOfAMultiSelectionMovesThemAll) {
  Place(InsertEndBlock, 200, 300);  // at (136, 264)
  ChartItem* end = Selection()[0];
  Drag(100, 20, 470, 350);
  ASSERT_EQ(Selection().size(), 3u);

  Drag(150, 300, 166, 284);
  EXPECT_EQ(X(end), 152);
  EXPECT_EQ(Y(end), 248);
  EXPECT_EQ(X(start), 336);
  EXPECT_EQ(Y(start), 16);
  EXPECT_EQ(startArrow->startX, 400);  // moved once, with its block
  EXPECT_EQ(Selection().size(), 3u);

  // A click without movement on one of them keeps only that one.
  Click(160, 290);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{end});
}

TEST_F(ChartViewTest, RubberBandSelectsItemsWhoseShapeMeetsTheBand) {
  Drag(300, 10, 460, 120);
  EXPECT_EQ(Selection(), (std::vector<ChartItem*>{start, startArrow}));
  EXPECT_FALSE(view.rubberBandShown);
  EXPECT_FALSE(owner.modified);
  EXPECT_EQ(view.rubberBand.x, 300);
  EXPECT_EQ(view.rubberBand.y, 10);
  EXPECT_EQ(view.rubberBand.w, 160);
  EXPECT_EQ(view.rubberBand.h, 110);

  // Dragged the other way round: the same items.
  Click(600, 400);
  Drag(460, 120, 300, 10);
  EXPECT_EQ(Selection(), (std::vector<ChartItem*>{start, startArrow}));

  // A band that misses the block but crosses the arrow below it.
  Drag(370, 130, 400, 150);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{startArrow});
}

TEST_F(ChartViewTest, RubberBandIsShownOnlyBeyondFivePixelsWhileDragging) {
  Down(600, 400);
  Move(605, 395);
  EXPECT_FALSE(view.rubberBandShown);
  Move(606, 390);
  EXPECT_TRUE(view.rubberBandShown);
  EXPECT_EQ(view.rubberBand.x, 600);
  EXPECT_EQ(view.rubberBand.y, 390);
  EXPECT_EQ(view.rubberBand.w, 6);
  EXPECT_EQ(view.rubberBand.h, 10);
  Move(590, 420);
  EXPECT_EQ(view.rubberBand.x, 590);
  EXPECT_EQ(view.rubberBand.y, 400);
  // Back near the press, the band disappears again and the release is a click.
  Move(602, 403);
  EXPECT_FALSE(view.rubberBandShown);
  Up(602, 403);
  Click(340, 60);
  Down(600, 400);
  Move(602, 403);
  Up(602, 403);
  EXPECT_TRUE(Selection().empty());
}

TEST_F(ChartViewTest, SmallRubberBandSelectsTheItemUnderTheRelease) {
  Down(316, 60);  // just left of the start block
  Move(318, 60);
  Up(321, 60);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
}

TEST_F(ChartViewTest, RubberBandIsConvertedToWorldUnitsWhenZoomed) {
  CanvasSetZoom(&sub->canvas, 2.0);
  sub->canvas.originX = 300;
  Drag(30, 50, 100, 80);  // world (315, 25) to (350, 40)
  EXPECT_EQ(view.rubberBand.x, 315);
  EXPECT_EQ(view.rubberBand.y, 25);
  EXPECT_EQ(view.rubberBand.w, 35);
  EXPECT_EQ(view.rubberBand.h, 15);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{start});
}

TEST_F(ChartViewTest, DraggingAnArrowEndPlugsItIntoABlockAndOutAgain) {
  Place(InsertEndBlock, 200, 300);  // at (136, 264)
  ChartItem* end = Selection()[0];
  ResetFlags();

  Down(384, 166);  // in the grab box of the arrow's end
  EXPECT_EQ(view.mouseMode, ModeDragItem);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{startArrow});
  Move(300, 250);
  Move(200, 300);
  Up(200, 300);
  EXPECT_EQ(startArrow->endItem, end);
  EXPECT_EQ(end->incomingConnectors, std::vector<BlockConnector*>{startArrow});
  EXPECT_EQ(startArrow->endX, 200);  // top centre of the block
  EXPECT_EQ(startArrow->endY, 264);
  EXPECT_TRUE(owner.modified);
  EXPECT_EQ(view.mouseMode, ModeIdle);

  // On to empty chart the end follows the snapped mouse and comes loose.
  Down(200, 262);
  Move(500, 420);
  Move(603, 451);
  Up(603, 451);
  EXPECT_EQ(startArrow->endItem, nullptr);
  EXPECT_TRUE(end->incomingConnectors.empty());
  EXPECT_EQ(startArrow->endX, 600);
  EXPECT_EQ(startArrow->endY, 448);
}

TEST_F(ChartViewTest, DraggingAMiddlePartShiftsIt) {
  Place(InsertEndBlock, 200, 300);
  ChartItem* end = Selection()[0];
  startArrow->ConnectTo(end);  // route down 80, left 184, down 80
  ASSERT_EQ(startArrow->parts.size(), 3u);
  ResetFlags();

  Down(300, 184);
  EXPECT_EQ(view.mouseMode, ModeDragItem);
  Move(300, 196);
  Move(302, 208);
  Up(302, 208);
  EXPECT_EQ(startArrow->parts[1].moveBy, 24);
  EXPECT_EQ(startArrow->parts[0].moveBy, 0);
  EXPECT_EQ(startArrow->endItem, end);
  EXPECT_TRUE(owner.modified);

  // The first part cannot be dragged: a press there moves the selection.
  Down(384, 120);
  EXPECT_EQ(view.mouseMode, ModeMoveSelection);
  Up(384, 120);
}

TEST_F(ChartViewTest, ReshapingAnArrowWithinClickDistanceCountsAsAnEdit) {
  // The end grab box reaches above the end, so a 3-pixel drag unplugs it.
  Place(InsertEndBlock, 384, 190);  // plugs the arrow in at (384, 152)
  ASSERT_NE(startArrow->endItem, nullptr);
  ResetFlags();
  Down(384, 150);
  Move(384, 147);
  Up(384, 147);
  EXPECT_EQ(startArrow->endItem, nullptr);
  EXPECT_TRUE(owner.modified);

  // A press on the end without moving changes nothing.
  ResetFlags();
  Click(384, 145);
  EXPECT_EQ(Selection(), std::vector<ChartItem*>{startArrow});
  EXPECT_FALSE(owner.modified);
}

TEST_F(ChartViewTest, APressClearsTheErrorMark) {
  sub->errorItem = start;
  Click(600, 400);
  EXPECT_EQ(sub->errorItem, nullptr);
  sub->errorItem = start;
  view.insertTool = InsertEndBlock;
  Down(600, 400);
  EXPECT_EQ(sub->errorItem, nullptr);
}

namespace {

// A comment whose edit dialog is a recorded answer.
struct EditableComment : Comment {
  bool answer = true;
  std::vector<NativeWindow> edits;
  using Comment::Comment;
  bool OnEdit(NativeWindow parent) override {
    edits.push_back(parent);
    return answer;
  }
};

}  // namespace

TEST_F(ChartViewTest, DoubleClickEditsTheItemUnderThePressedPoint) {
  owner.hwnd = reinterpret_cast<NativeWindow>(&owner);
  auto* comment = new EditableComment(sub, 40, 200);
  ResetFlags();
  Click(100, 240);
  view.OnMouseDoubleClick(102, 243, 0);
  Up(102, 243);
  EXPECT_EQ(comment->edits, std::vector<NativeWindow>{owner.hwnd});
  EXPECT_TRUE(owner.modified);
  EXPECT_TRUE(owner.needsRepaint);

  // Nothing changed in the dialog: nothing to save.
  comment->answer = false;
  ResetFlags();
  Click(100, 240);
  view.OnMouseDoubleClick(100, 240, 0);
  EXPECT_EQ(comment->edits.size(), 2u);
  EXPECT_FALSE(owner.modified);

  // The second click too far from the first press edits nothing.
  Click(100, 240);
  view.OnMouseDoubleClick(106, 240, 0);
  // Nor does a double-click on empty chart, or one while a tool is chosen.
  Click(20, 400);
  view.OnMouseDoubleClick(20, 400, 0);
  Click(100, 240);
  view.insertTool = InsertEndBlock;
  view.OnMouseDoubleClick(100, 240, 0);
  EXPECT_EQ(comment->edits.size(), 2u);
}
