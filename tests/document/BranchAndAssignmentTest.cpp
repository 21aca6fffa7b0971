#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "document/Assignment.h"
#include "document/IfBlock.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "language/Settings.h"

namespace {

struct Blocks : ::testing::Test {
  Project project;
  Sub* sub = project.AddChart();
};

TEST_F(Blocks, IfBlockExits) {
  auto* branch = new IfBlock(sub, 100, 100);
  EXPECT_EQ(branch->canvasItem.w, 160);
  EXPECT_EQ(branch->canvasItem.h, 96);
  auto* yes = dynamic_cast<BlockConnector*>(branch->dependent1);
  auto* no = dynamic_cast<BlockConnector*>(branch->dependent2);
  ASSERT_NE(yes, nullptr);
  ASSERT_NE(no, nullptr);
  EXPECT_FALSE(yes->toRight);
  EXPECT_TRUE(no->toRight);
  EXPECT_EQ((std::pair{yes->startX, yes->startY}), (std::pair{180, 196}));
  EXPECT_EQ((std::pair{yes->endX, yes->endY}), (std::pair{180, 260}));
  EXPECT_EQ((std::pair{no->startX, no->startY}), (std::pair{260, 148}));
  EXPECT_EQ((std::pair{no->endX, no->endY}), (std::pair{324, 212}));
  EXPECT_EQ(branch->compare.op, CompareOperator::None);
  EXPECT_TRUE(branch->HasConnectionPoint());
  EXPECT_FALSE(branch->WantsDrag(180, 148));
  // Both exits move with the block and go with it.
  branch->Move(-8, 8);
  EXPECT_EQ(yes->startX, 172);
  EXPECT_EQ(no->endY, 220);
  ExpectConsistent(sub, {sub->start, sub->start->dependent1, branch, yes, no});
  delete branch;
  ExpectConsistent(sub, {sub->start, sub->start->dependent1});

  auto* loaded = new IfBlock(sub);
  EXPECT_EQ(loaded->dependent1, nullptr);
  EXPECT_EQ(loaded->dependent2, nullptr);
  EXPECT_EQ(loaded->canvasItem.h, 96);
}

TEST_F(Blocks, RhombusPointTest) {
  auto* b = new IfBlock(sub, 0, 0);
  EXPECT_TRUE(b->IsInItem(80, 48));
  EXPECT_FALSE(b->IsInItem(2, 2));
  EXPECT_TRUE(b->IsInItem(80, 1));
  EXPECT_FALSE(b->IsInItem(1, 1));
  // The vertices and points on the edges are outside: the comparisons are strict.
  EXPECT_FALSE(b->IsInItem(80, 0));
  EXPECT_FALSE(b->IsInItem(0, 48));
  EXPECT_FALSE(b->IsInItem(160, 48));
  EXPECT_FALSE(b->IsInItem(80, 96));
  EXPECT_FALSE(b->IsInItem(40, 24));  // upper left edge
  EXPECT_TRUE(b->IsInItem(40, 25));
  EXPECT_FALSE(b->IsInItem(120, 24));  // upper right edge
  EXPECT_TRUE(b->IsInItem(120, 25));
  EXPECT_FALSE(b->IsInItem(40, 72));  // lower left edge
  EXPECT_TRUE(b->IsInItem(40, 71));
  EXPECT_FALSE(b->IsInItem(120, 72));  // lower right edge
  EXPECT_TRUE(b->IsInItem(120, 71));
  EXPECT_FALSE(b->IsInItem(159, 95));
  b->Move(1000, 500);
  EXPECT_TRUE(b->IsInItem(1080, 548));
  EXPECT_FALSE(b->IsInItem(1002, 502));
}

TEST_F(Blocks, RhombusRectangleTest) {
  auto* b = new IfBlock(sub, 0, 0);
  EXPECT_TRUE(b->IsInItem(-100, -10, 181, 12));   // 81 units across: wide enough
  EXPECT_FALSE(b->IsInItem(-100, -10, 110, 20));  // the top-left corner only
  EXPECT_TRUE(b->IsInItem(-10, 0, 10, 49));       // 49 units down the left side
  EXPECT_FALSE(b->IsInItem(-10, 0, 10, 48));
  EXPECT_TRUE(b->IsInItem(70, -10, 20, 18));  // its bottom-right corner reaches into the top vertex
  EXPECT_FALSE(b->IsInItem(70, -10, 20, 16));
  EXPECT_FALSE(b->IsInItem(150, 80, 20, 20));   // bottom-right corner of the rectangle
  EXPECT_TRUE(b->IsInItem(100, 50, 100, 100));  // the top-left corner (100, 50) is inside
}

TEST_F(Blocks, ArrowsPlugIntoTheRhombusOnly) {
  auto* b = new IfBlock(sub, 0, 300);
  auto* arrow = static_cast<BlockConnector*>(sub->start->dependent1);
  ASSERT_TRUE(arrow->WantsDrag(arrow->endX, arrow->endY));
  arrow->OnDrag(2, 302);  // in the rectangle, outside the rhombus
  EXPECT_EQ(arrow->endItem, nullptr);
  arrow->OnDrag(80, 348);
  EXPECT_EQ(arrow->endItem, b);
  EXPECT_EQ((std::pair{arrow->endX, arrow->endY}), (std::pair{80, 300}));
  // The no exit may lead back into its own block.
  auto* no = static_cast<BlockConnector*>(b->dependent2);
  ASSERT_TRUE(no->WantsDrag(no->endX, no->endY));
  no->OnDrag(100, 340);
  EXPECT_EQ(no->endItem, b);
  EXPECT_EQ(b->incomingConnectors.size(), 2u);
  delete b;
  EXPECT_EQ(arrow->endItem, nullptr);
  ExpectConsistent(sub, {sub->start, arrow});
}

TEST_F(Blocks, AssignmentIsItsRectangle) {
  auto* a = new Assignment(sub, 8, 16);
  EXPECT_EQ(a->canvasItem.w, 128);
  EXPECT_EQ(a->canvasItem.h, 72);
  EXPECT_EQ(a->assignment.target, nullptr);
  EXPECT_EQ(a->assignment.variables, nullptr);
  EXPECT_TRUE(a->IsInItem(8, 16));
  EXPECT_TRUE(a->IsInItem(136, 88, 1, 1));
  EXPECT_TRUE(a->HasConnectionPoint());
  auto* arrow = dynamic_cast<BlockConnector*>(a->dependent1);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ((std::pair{arrow->startX, arrow->startY}), (std::pair{72, 88}));
  EXPECT_EQ(a->dependent2, nullptr);
  auto* loaded = new Assignment(sub);
  EXPECT_EQ(loaded->dependent1, nullptr);
}

TEST(ProjectOperands, BlocksParseAgainstTheProjectsTableBuiltFromTheSettings) {
  std::vector<std::string> saved = theSettings.integerVariables;
  theSettings.integerVariables = {"zaehler", "grenze"};
  {
    Project project;
    theSettings.integerVariables = saved;
    Sub* sub = project.AddChart();
    Variable* zaehler = project.variables.GetOperand("zaehler");
    ASSERT_NE(zaehler, nullptr);
    auto* a = new Assignment(sub, 0, 200);
    a->assignment = ParsedAssignment(project.variables, "zaehler = zaehler + 1");
    EXPECT_EQ(a->assignment.target, zaehler);
    auto* b = new IfBlock(sub, 0, 400);
    b->compare = ParsedCompare(project.variables, "zaehler < grenze");
    EXPECT_EQ(b->compare.GetString(" "), "zaehler < grenze");
  }
  theSettings.integerVariables = saved;
}

}  // namespace
