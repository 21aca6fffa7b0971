#include "document/Project.h"

#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "document/BlockConnector.h"
#include "document/Comment.h"
#include "document/ProgramFlow.h"
#include "document/Sub.h"

namespace {

TEST(Project, NewProjectHoldsTheStartSubWithStartBlockAndArrow) {
  Project p;
  EXPECT_TRUE(p.subs.empty());
  EXPECT_TRUE(p.fileName.empty());
  Sub* s = p.AddChart();
  ASSERT_EQ(p.subs.size(), 1u);
  EXPECT_EQ(p.subs[0], s);
  EXPECT_EQ(s->name, "Start");
  EXPECT_EQ(s->project, &p);
  EXPECT_EQ(s->errorItem, nullptr);
  EXPECT_TRUE(s->selection.empty());
  ASSERT_EQ(s->canvas.count, 2u);
  StartBlock* start = s->start;
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(ChartItem::FromCanvas(s->canvas.items[0]), start);
  EXPECT_EQ(start->canvasItem.x, 320);
  EXPECT_EQ(start->canvasItem.y, 32);
  EXPECT_EQ(start->canvasItem.w, 128);
  EXPECT_EQ(start->canvasItem.h, 72);
  EXPECT_FALSE(start->dependent);
  EXPECT_FALSE(start->HasConnectionPoint());
  EXPECT_EQ(start->dependent2, nullptr);
  // The arrow lies above its block.
  auto* arrow = dynamic_cast<BlockConnector*>(ChartItem::FromCanvas(s->canvas.items[1]));
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(start->dependent1, arrow);
  EXPECT_EQ(arrow->startX, 384);
  EXPECT_EQ(arrow->startY, 104);
  EXPECT_EQ(arrow->endX, 384);
  EXPECT_EQ(arrow->endY, 168);
  EXPECT_EQ(arrow->endItem, nullptr);
  EXPECT_EQ(s->canvas.minX, 0);
  EXPECT_EQ(s->canvas.minY, 0);
  EXPECT_EQ(s->canvas.maxX, 448);
  EXPECT_EQ(s->canvas.maxY, 173);
  EXPECT_EQ(s->canvas.originX, 0);
  EXPECT_EQ(s->canvas.originY, 0);
  EXPECT_EQ(s->canvas.zoom, 1.0);
}

TEST(Project, SubsAreNamedByTheirCountOrTheNextFreeNumber) {
  Project p;
  p.AddChart();
  Sub* f1 = p.AddChart();
  Sub* f2 = p.AddChart();
  EXPECT_EQ(p.subs[0]->name, "Start");
  EXPECT_EQ(f1->name, "Funktion1");
  EXPECT_EQ(f2->name, "Funktion2");
  p.DeleteChart(f1);
  ASSERT_EQ(p.subs.size(), 2u);
  EXPECT_EQ(p.subs[1], f2);
  // The count (2) is taken by a sub that is still there.
  EXPECT_EQ(p.AddChart()->name, "Funktion3");
  // Names given by the user count too.
  p.subs[2]->name = "Funktion4";
  p.subs[1]->name = "Funktion5";
  EXPECT_EQ(p.AddChart()->name, "Funktion3");
  EXPECT_EQ(p.AddChart()->name, "Funktion6");
}

TEST(Project, DeletingASubClearsCallsToItAndOnlyDeletesItsOwnSubs) {
  Project p;
  Sub* main = p.AddChart();
  Sub* f1 = p.AddChart();
  Sub* f2 = p.AddChart();
  auto* callF1 = new CallSub(main, 0, 200);
  auto* callF1Again = new CallSub(f2, 0, 200);
  auto* callF2 = new CallSub(f1, 0, 200);
  callF1->target = f1;
  callF1Again->target = f1;
  callF2->target = f2;
  p.DeleteChart(f1);
  EXPECT_EQ(callF1->target, nullptr);
  EXPECT_EQ(callF1Again->target, nullptr);
  EXPECT_EQ(p.subs, (std::vector<Sub*>{main, f2}));

  Project other;
  Sub* stranger = other.AddChart();
  p.DeleteChart(stranger);
  EXPECT_EQ(p.subs.size(), 2u);
  EXPECT_EQ(other.subs.size(), 1u);
  EXPECT_EQ(stranger->name, "Start");
}

TEST(Project, DestroyingAProjectWithCallsBetweenSubs) {
  // Calls in both directions and to itself; ASan reports any access to a
  // dead sub while the project goes.
  auto* p = new Project;
  Sub* main = p->AddChart();
  Sub* f1 = p->AddChart();
  auto* a = new CallSub(main, 0, 200);
  auto* b = new CallSub(f1, 0, 200);
  auto* c = new CallSub(f1, 0, 400);
  a->target = f1;
  b->target = main;
  c->target = f1;
  static_cast<BlockConnector*>(a->dependent1)->ConnectTo(new EndBlock(main, 0, 500));
  static_cast<BlockConnector*>(b->dependent1)->ConnectTo(c);
  static_cast<BlockConnector*>(f1->start->dependent1)->ConnectTo(b);
  delete p;
}

TEST(Sub, NumbersItemsFromTwoInCanvasOrder) {
  Project p;
  Sub* s = p.AddChart();
  auto* end = new EndBlock(s, 320, 300);
  int counter = 1;
  CanvasForeachItem(&s->canvas, Sub::IdentifyItems, &counter);
  EXPECT_EQ(s->start->id, 2);
  EXPECT_EQ(s->start->dependent1->id, 3);
  EXPECT_EQ(end->id, 4);
  EXPECT_EQ(counter, 4);
}

TEST(ChartItems, SizesConstructorsAndFlags) {
  Project p;
  Sub* s = p.AddChart();
  auto* end = new EndBlock(s, 8, 16);
  EXPECT_EQ(end->canvasItem.w, EndBlock::Width);
  EXPECT_EQ(end->canvasItem.h, EndBlock::Height);
  EXPECT_EQ(end->dependent1, nullptr);
  EXPECT_TRUE(end->HasConnectionPoint());
  EXPECT_FALSE(end->WantsDrag(10, 20));
  EXPECT_TRUE(end->IsInItem(8, 16));
  EXPECT_TRUE(end->IsInItem(0, 0, 9, 17));

  auto* call = new CallSub(s, 100, 200);
  EXPECT_EQ(call->target, nullptr);
  EXPECT_TRUE(call->HasConnectionPoint());
  auto* arrow = dynamic_cast<BlockConnector*>(call->dependent1);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(arrow->startX, 164);
  EXPECT_EQ(arrow->startY, 272);
  EXPECT_FALSE(arrow->toRight);

  auto* comment = new Comment(s, 0, 300);
  EXPECT_EQ(comment->text, "Kommentar");
  EXPECT_EQ(comment->canvasItem.w, 128);
  EXPECT_EQ(comment->canvasItem.h, 80);
  EXPECT_FALSE(comment->dependent);
  EXPECT_FALSE(comment->HasConnectionPoint());
  EXPECT_FALSE(comment->WantsDrag(1, 301));
  EXPECT_TRUE(comment->IsInItem(1, 301));
  EXPECT_TRUE(comment->IsInItem(0, 300, 5, 5));
  EXPECT_EQ(comment->dependent1, nullptr);

  // Loading forms: size only, no arrows.
  auto* loadedStart = new StartBlock(s);
  auto* loadedCall = new CallSub(s);
  auto* loadedComment = new Comment(s);
  EXPECT_EQ(loadedStart->dependent1, nullptr);
  EXPECT_EQ(loadedStart->canvasItem.w, 128);
  EXPECT_EQ(loadedCall->dependent1, nullptr);
  EXPECT_EQ(loadedCall->target, nullptr);
  EXPECT_EQ(loadedComment->text, "Kommentar");
  EXPECT_EQ(loadedComment->canvasItem.h, 80);
  ExpectConsistent(s,
                   {s->start, s->start->dependent1, end, call, arrow, comment, loadedStart, loadedCall, loadedComment});
}

TEST(ChartItems, MovingABlockTakesItsLooseArrowAlong) {
  Project p;
  Sub* s = p.AddChart();
  auto* call = new CallSub(s, 0, 0);
  auto* arrow = static_cast<BlockConnector*>(call->dependent1);
  int maxY = s->canvas.maxY;
  call->Move(8, -16);
  EXPECT_EQ(call->canvasItem.x, 8);
  EXPECT_EQ(call->canvasItem.y, -16);
  EXPECT_EQ(arrow->startX, 72);
  EXPECT_EQ(arrow->startY, 56);
  EXPECT_EQ(arrow->endX, 72);
  EXPECT_EQ(arrow->endY, 120);
  EXPECT_EQ(s->canvas.minY, -16);
  EXPECT_EQ(s->canvas.maxY, maxY);  // the extent never shrinks
}

TEST(ChartItems, MovingABlockReroutesArrowsPluggedIntoIt) {
  Project p;
  Sub* s = p.AddChart();
  auto* arrow = static_cast<BlockConnector*>(s->start->dependent1);
  auto* end = new EndBlock(s, 320, 300);
  arrow->ConnectTo(end);
  EXPECT_EQ(arrow->endX, 384);
  EXPECT_EQ(arrow->endY, 300);
  end->Move(100, 50);
  EXPECT_EQ(arrow->endX, 484);
  EXPECT_EQ(arrow->endY, 350);
  EXPECT_EQ(arrow->startX, 384);
  EXPECT_EQ(arrow->parts.size(), 3u);  // down, right, down
  // Moving the source keeps a plugged end where it is.
  s->start->Move(0, 10);
  EXPECT_EQ(arrow->startY, 114);
  EXPECT_EQ(arrow->endX, 484);
  EXPECT_EQ(arrow->endY, 350);
  ExpectConsistent(s, {s->start, arrow, end});
}

TEST(ChartItems, DeletingABlockLoosensArrowsIntoItAndTakesItsOwn) {
  Project p;
  Sub* s = p.AddChart();
  auto* a = static_cast<BlockConnector*>(s->start->dependent1);
  auto* call = new CallSub(s, 0, 0);
  auto* b = static_cast<BlockConnector*>(call->dependent1);
  auto* end = new EndBlock(s, 320, 300);
  a->ConnectTo(end);
  b->ConnectTo(end);
  EXPECT_EQ(end->incomingConnectors.size(), 2u);
  delete end;
  EXPECT_EQ(a->endItem, nullptr);
  EXPECT_EQ(b->endItem, nullptr);
  EXPECT_EQ(a->endX, 384);
  EXPECT_EQ(a->endY, 300);
  EXPECT_EQ(b->endY, 300);
  ExpectConsistent(s, {s->start, a, call, b});
  // The call block takes its arrow; an arrow plugged into it is loosened.
  a->ConnectTo(call);
  delete call;
  EXPECT_EQ(a->endItem, nullptr);
  ExpectConsistent(s, {s->start, a});
}

TEST(ChartItems, ABlockWithItsArrowPluggedIntoItself) {
  Project p;
  Sub* s = p.AddChart();
  auto* call = new CallSub(s, 0, 0);
  auto* arrow = static_cast<BlockConnector*>(call->dependent1);
  arrow->ConnectTo(call);
  call->Move(16, 16);
  EXPECT_EQ(arrow->endX, 80);
  EXPECT_EQ(arrow->endY, 16);
  ExpectConsistent(s, {s->start, s->start->dependent1, call, arrow});
  delete call;
  ExpectConsistent(s, {s->start, s->start->dependent1});
}

}  // namespace
