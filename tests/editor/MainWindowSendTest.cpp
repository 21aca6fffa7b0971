// Sending a chart that does not compile: the error is reported, and the item
// it names becomes the only selected item of its sub, which is shown and
// drawn marked until the next press in the chart. An error of the whole
// program names no item and marks nothing.
#include "MainWindowHarness.h"
#include "document/BlockConnector.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"

namespace {

using Send = MainWindowFixture;

const InstructionInfo* Row(const std::string& routine) {
  for (const InstructionInfo& info : Instruction::InstructionInfos)
    if (routine == info.routineName) return &info;
  return nullptr;
}

// Plugs the start block's arrow into a new end block.
void Finish(Sub* sub, ChartItem* from) {
  auto* end = new EndBlock(sub, 320, 400);
  static_cast<BlockConnector*>(from->dependent1)->ConnectTo(end);
}

TEST_F(Send, CompileErrorShowsAndMarksTheItemInItsSub) {
  Finish(SubAt(0), SubAt(0)->start);
  Sub* broken = main.project->AddChart();  // its start arrow ends nowhere
  ChartItem* looseArrow = broken->start->dependent1;
  ASSERT_NE(looseArrow, nullptr);
  ASSERT_EQ(main.view->sub, SubAt(0));

  BoxRecorder boxes;
  Click(164 + 10, 20);  // the Send icon
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Der Anschluss ist nicht mit einem anderen Block verbunden");
  EXPECT_EQ(boxes.boxes[0].caption, "Übertragungsfehler");
  EXPECT_EQ(main.view->sub, broken);
  EXPECT_EQ(broken->selection, std::vector<ChartItem*>{looseArrow});
  EXPECT_EQ(broken->errorItem, looseArrow);
  EXPECT_EQ(ChartView::PaintState(broken, looseArrow) & 4, 4);
  EXPECT_TRUE(main.needsRepaint);
  EXPECT_FALSE(main.modified);

  // The next press in the chart clears the mark.
  main.OnMouseDown(600, 400, 1);
  main.OnMouseUp(600, 400, 0);
  EXPECT_EQ(broken->errorItem, nullptr);
}

// A start block cannot be deleted: its text names what can be renewed.
TEST_F(Send, StartBlockWithoutItsArrowIsMarked) {
  Sub* start = SubAt(0);
  delete start->start->dependent1;  // as a broken project file leaves it
  start->start->dependent1 = nullptr;

  BoxRecorder boxes;
  main.Send();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Diesem Block fehlt ein Pfeil, der von ihm weiterführt: Die Projektdatei ist beschädigt.\n\nDen "
            "Startblock kannst du nicht löschen. Lege ein neues Projekt an und zeichne dein Programm dort noch "
            "einmal!");
  EXPECT_EQ(start->errorItem, start->start);
  EXPECT_EQ(ChartView::PaintState(start, start->start) & PaintMarked, PaintMarked);
}

TEST_F(Send, ErrorOfTheWholeProgramMarksNothing) {
  Sub* start = SubAt(0);
  auto* print = new Instruction(start, 320, 200, Row("print_str"));
  print->arguments[0] = "\"" + std::string(9000, 'a') + "\"";
  static_cast<BlockConnector*>(start->start->dependent1)->ConnectTo(print);
  Finish(start, print);
  Sub* other = main.project->AddChart();
  Finish(other, other->start);
  main.ShowSub(other);
  other->selection.assign(1, other->start);

  BoxRecorder boxes;
  main.Send();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Übertragungsfehler");
  EXPECT_EQ(main.view->sub, other);
  EXPECT_EQ(other->selection, std::vector<ChartItem*>{other->start});
  EXPECT_EQ(start->errorItem, nullptr);
  EXPECT_EQ(other->errorItem, nullptr);
}

}  // namespace
