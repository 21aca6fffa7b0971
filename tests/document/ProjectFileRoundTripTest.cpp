// Saving projects built through the model and loading them back.
#include "../language/DefaultSettings.h"
#include "ProjectFileTestUtil.h"
#include "support/Files.h"

#include <gtest/gtest.h>

using namespace projectfile;

namespace {

const InstructionInfo* Row(const char* routine) {
  for (auto& row : Instruction::InstructionInfos)
    if (std::string(row.routineName) == routine) return &row;
  return nullptr;
}

BlockConnector* Arrow(ChartItem* block, int which = 1) {
  return static_cast<BlockConnector*>(which == 1 ? block->dependent1 : block->dependent2);
}

struct ProjectFileRoundTrip : DefaultSettingsTest {
  TempFolder dir;

  // Three subs with every item kind, plugged and loose arrows, dragged
  // segments, call targets and texts that need escaping.
  void Build(Project& p) {
    ASSERT_TRUE(p.variables.AddAlias("Led", "PORTB.0"));
    ASSERT_TRUE(p.variables.AddAlias("Lampe", "Led"));  // an alias of an alias
    ASSERT_TRUE(p.variables.AddAlias("Zaehler", "var3"));
    Sub* start = p.AddChart();
    Sub* helper = p.AddChart();
    Sub* third = p.AddChart();
    third->name = "Zählen & <Co> ]]>";

    auto* set = new Assignment(start, 320, 136);
    set->assignment = ParsedAssignment(p.variables, "Lampe = PIND.2");
    Arrow(start->start)->ConnectTo(set);
    auto* test = new IfBlock(start, 304, 240);
    test->compare = ParsedCompare(p.variables, "Zaehler < &H10");
    Arrow(set)->ConnectTo(test);
    auto* print = new Instruction(start, 288, 400, Row("print_str"));
    print->arguments[0] = "\"Hallo & <Welt> ]]> \"";
    Arrow(test)->ConnectTo(print);
    auto* call = new CallSub(start, 320, 520);
    call->target = third;
    Arrow(print)->ConnectTo(call);
    auto* end = new EndBlock(start, 320, 640);
    Arrow(call)->ConnectTo(end);
    // The no exit goes up and left, loose, with two segments dragged.
    Arrow(test, 2)->AdjustEndToPlugable(40, 60);
    ASSERT_GE(Arrow(test, 2)->parts.size(), 3u);
    Arrow(test, 2)->parts[1].moveBy += 24;
    Arrow(test, 2)->parts[2].moveBy -= 16;
    Arrow(test, 2)->UpdateCanvasItem();
    auto* pwm = new Instruction(start, 600, 400, Row("pwm_set"));
    pwm->arguments[0] = "1";
    pwm->arguments[1] = "Zaehler";
    Arrow(pwm)->ConnectTo(end);  // a second arrow into the end block
    auto* adc = new Instruction(start, 600, 100, Row("adc_read"));
    adc->arguments[0] = "ADC3";
    adc->result = "var5";
    Arrow(adc)->AdjustEndToPlugable(900, 300);  // loose, another quadrant
    auto* note = new Comment(start, -200, -50);
    note->text = "a & b < c > d ]]> Grüße\n\tZeile 2\r\n\"zitiert\" 'x'";

    auto* self = new CallSub(helper, 100, 200);
    self->target = helper;          // calls itself
    new CallSub(helper, 300, 200);  // no target
    new EndBlock(helper, 320, 400);
    new Comment(helper, 500, 500);  // the default text
    auto* wait = new Instruction(third, 320, 136, Row("waitms"));
    wait->arguments[0] = "&H10";
    Arrow(third->start)->ConnectTo(wait);
    auto* back = new CallSub(third, 320, 260);
    back->target = start;
    Arrow(wait)->ConnectTo(back);
  }
};

TEST_F(ProjectFileRoundTrip, EverythingSavedLoadsTheSameAndSavesTheSameBytes) {
  Project original;
  Build(original);
  ASSERT_TRUE(original.WriteXML(dir / "a.pbn"));
  EXPECT_EQ(original.fileName, dir / "a.pbn");

  bool ok = false;
  Project loaded(dir / "a.pbn", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(loaded.fileName, dir / "a.pbn");
  ExpectConsistent(loaded);
  EXPECT_EQ(Describe(loaded), Describe(original));

  ASSERT_TRUE(loaded.WriteXML(dir / "b.pbn"));
  EXPECT_EQ(ReadFile(dir / "b.pbn"), ReadFile(dir / "a.pbn"));
}

TEST_F(ProjectFileRoundTrip, LoadedProjectIsUsable) {
  Project original;
  Build(original);
  ASSERT_TRUE(original.WriteXML(dir / "a.pbn"));
  bool ok = false;
  Project loaded(dir / "a.pbn", &ok);
  ASSERT_TRUE(ok);
  Sub* start = loaded.subs[0];
  std::vector<ChartItem*> items = CanvasItems(start);
  // The alias of an alias stands for the plain port, and the parsed texts
  // point into the loaded table.
  Variable* lampe = loaded.variables.GetOperand("Lampe");
  ASSERT_NE(lampe, nullptr);
  EXPECT_EQ(lampe->aliasTarget, loaded.variables.GetOperand("PORTB.0"));
  auto* set = dynamic_cast<Assignment*>(items[2]);
  ASSERT_NE(set, nullptr);
  EXPECT_TRUE(set->assignment.IsValid());
  EXPECT_EQ(set->assignment.target, lampe);
  // A dragged segment is hit where it was dragged to, at once.
  auto* no = dynamic_cast<BlockConnector*>(items[5]);
  ASSERT_NE(no, nullptr);
  auto points = no->RoutePoints();
  int mx = (points[1].x + points[2].x) / 2, my = (points[1].y + points[2].y) / 2;
  EXPECT_EQ(no->GetPartAt(mx, my), &no->parts[1]);
  const CanvasItemS& r = no->canvasItem;
  EXPECT_TRUE(mx >= r.x && mx <= r.x + r.w && my >= r.y && my <= r.y + r.h);
  // Deleting a sub clears the call blocks that target it.
  Sub* third = loaded.subs[2];
  loaded.DeleteChart(third);
  for (ChartItem* item : CanvasItems(start))
    if (auto* call = dynamic_cast<CallSub*>(item)) {
      EXPECT_EQ(call->target, nullptr);
    }
}

TEST_F(ProjectFileRoundTrip, CallTargetsByNameLastSubWins) {
  Project original;
  Sub* a = original.AddChart();
  Sub* b = original.AddChart();
  Sub* c = original.AddChart();
  b->name = "Doppelt";
  c->name = "Doppelt";
  auto* toB = new CallSub(a, 100, 200);
  toB->target = b;
  auto* none = new CallSub(a, 300, 200);
  ASSERT_EQ(none->target, nullptr);
  ASSERT_TRUE(original.WriteXML(dir / "a.pbn"));
  bool ok = false;
  Project loaded(dir / "a.pbn", &ok);
  ASSERT_TRUE(ok);
  // A file from before names were kept unique loads as it is.
  ASSERT_EQ(loaded.subs.size(), 3u);
  EXPECT_EQ(loaded.subs[1]->name, "Doppelt");
  EXPECT_EQ(loaded.subs[2]->name, "Doppelt");
  std::vector<ChartItem*> items = CanvasItems(loaded.subs[0]);
  EXPECT_EQ(static_cast<CallSub*>(items[2])->target, loaded.subs[2]);
  EXPECT_EQ(static_cast<CallSub*>(items[4])->target, nullptr);
}

TEST_F(ProjectFileRoundTrip, SavingNumbersItemsFromTwoInCanvasOrder) {
  Project p;
  Sub* sub = p.AddChart();
  auto* end = new EndBlock(sub, 320, 200);
  auto* test = new IfBlock(sub, 304, 300);
  ASSERT_TRUE(p.WriteXML(dir / "a.pbn"));
  EXPECT_EQ(sub->start->id, 2);
  EXPECT_EQ(sub->start->dependent1->id, 3);
  EXPECT_EQ(end->id, 4);
  EXPECT_EQ(test->id, 5);
  EXPECT_EQ(test->dependent1->id, 6);
  EXPECT_EQ(test->dependent2->id, 7);
  Sub* second = p.AddChart();
  ASSERT_TRUE(p.WriteXML(dir / "a.pbn"));
  EXPECT_EQ(second->start->id, 2);  // numbers are unique within a sub only
}

}  // namespace
