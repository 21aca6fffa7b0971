// Blocks and comments painted through the drawing layer: fills, state
// colours, texts in their boxes and the error mark.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PaintTestUtil.h"
#include "document/Assignment.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/Instruction.h"
#include "document/ProgramFlow.h"
#include "editor/PaintStyle.h"

using namespace painttest;

namespace {

// One block kind: how to make it, its colour, and item-local points that lie
// inside its shape (away from the text) and inside its rectangle but outside
// the shape.
struct Kind {
  const char* name;
  std::function<ChartItem*(Sub*)> make;
  const Color* colour;
  std::vector<std::pair<double, double>> inside;
  std::vector<std::pair<double, double>> outside;
  bool hasMark;
};

std::vector<Kind> Kinds() {
  return {
      {"StartBlock",
       [](Sub* s) { return new StartBlock(s, 48, 400); },
       &Stock::Green,
       {{10, 36}, {64, 4}, {118, 68}},
       {{1, 1}, {126, 70}},
       true},
      {"EndBlock",
       [](Sub* s) { return new EndBlock(s, 48, 400); },
       &Stock::Crimson,
       {{10, 36}, {64, 4}, {118, 68}},
       {{1, 1}, {126, 1}},
       true},
      {"CallSub", [](Sub* s) { return new CallSub(s, 48, 400); }, &Stock::SteelBlue, {{20, 3}, {100, 70}}, {}, true},
      {"Instruction",
       [](Sub* s) { return new Instruction(s, 48, 400, &Instruction::InstructionInfos[2]); },
       &Stock::CornflowerBlue,
       {{5, 70}, {150, 3}, {80, 3}},
       {{5, 10}, {155, 65}},
       true},
      {"Assignment",
       [](Sub* s) { return new Assignment(s, 48, 400); },
       &Stock::SteelBlue,
       {{3, 3}, {125, 69}},
       {},
       true},
      {"IfBlock",
       [](Sub* s) { return new IfBlock(s, 48, 400); },
       &Stock::Crimson,
       {{80, 6}, {6, 48}, {154, 48}, {80, 90}},
       {{5, 5}, {155, 5}, {5, 91}, {155, 91}},
       true},
      {"Comment", [](Sub* s) { return new Comment(s, 48, 400); }, &Stock::Green, {{3, 3}, {125, 77}}, {}, false},
  };
}

// Places one block of each kind on a fresh chart and hands it to the check.
void ForEachKind(const std::function<void(const Kind&, ChartItem*, const View&)>& check) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    Chart chart;
    std::unique_ptr<ChartItem> item(kind.make(chart.sub));
    check(kind, item.get(), ViewAround(item.get()));
  }
}

}  // namespace

TEST(PaintBlocks, FillEachKindInItsColourAndLightGreyWhenGreyed) {
  ForEachKind([](const Kind& kind, ChartItem* item, const View& view) {
    double x = item->canvasItem.x, y = item->canvasItem.y;
    QImage plain = Render(item, 0, view);
    QImage greyed = Render(item, PaintGreyed, view);
    for (auto [px, py] : kind.inside) {
      EXPECT_TRUE(HasColour(plain, view, x + px, y + py, Of(*kind.colour)));
      EXPECT_TRUE(HasColour(greyed, view, x + px, y + py, Of(Stock::LighterGrey)));
    }
    for (auto [px, py] : kind.outside) {
      EXPECT_TRUE(HasColour(plain, view, x + px, y + py, Of(Background())));
      EXPECT_TRUE(HasColour(greyed, view, x + px, y + py, Of(Background())));
    }
    // Just outside the rectangle nothing is drawn.
    EXPECT_TRUE(HasColour(plain, view, x - 3, y + 20, Of(Background())));
    EXPECT_TRUE(HasColour(plain, view, x + 20, y - 3, Of(Background())));
    // Selection shows only through the greying of the others.
    EXPECT_EQ(Render(item, PaintSelected, view), plain);
    EXPECT_EQ(Render(item, PaintSelected | PaintGreyed, view), greyed);
  });
}

TEST(PaintBlocks, ErrorMarkIsACrimsonEllipseTwentyUnitsOutside) {
  ForEachKind([](const Kind& kind, ChartItem* item, const View& view) {
    double x = item->canvasItem.x, y = item->canvasItem.y;
    double w = item->canvasItem.w, h = item->canvasItem.h;
    for (int flags : {PaintMarked, PaintMarked | PaintGreyed}) {
      QImage marked = Render(item, flags, view);
      if (!kind.hasMark) {
        EXPECT_EQ(marked, Render(item, flags & ~PaintMarked, view));
        continue;
      }
      // The ellipse's leftmost, rightmost, top and bottom points.
      EXPECT_TRUE(HasColour(marked, view, x - 20, y + h / 2, Of(Stock::Crimson), 40));
      EXPECT_TRUE(HasColour(marked, view, x + w + 19.5, y + h / 2, Of(Stock::Crimson), 40));
      EXPECT_TRUE(HasColour(marked, view, x + w / 2, y - 20, Of(Stock::Crimson), 40));
      EXPECT_TRUE(HasColour(marked, view, x + w / 2, y + h + 19.5, Of(Stock::Crimson), 40));
      // On either side of the ring the chart is untouched, and the block too.
      EXPECT_TRUE(HasColour(marked, view, x - 12, y + h / 2, Of(Background())));
      EXPECT_TRUE(HasColour(marked, view, x - 28, y + h / 2, Of(Background())));
      if (!(flags & PaintGreyed)) {
        EXPECT_TRUE(HasColour(marked, view, x + kind.inside[0].first, y + kind.inside[0].second, Of(*kind.colour)));
      }
    }
  });
}

namespace {

// The ink of the main text in a box of the item: present, inside the box,
// and in the text colour of the state.
void ExpectText(ChartItem* item, int flags, QColor fill, double bx, double by, double bw, double bh) {
  View view = ViewAround(item);
  QImage image = Render(item, flags, view);
  double x = item->canvasItem.x, y = item->canvasItem.y;
  QRect box = PixelBox(view, x + bx, y + by, bw, bh);
  Ink ink = InkIn(image, box, fill);
  EXPECT_GT(ink.count, 10) << "no text in the box";
  QColor text = Of(PaintStyle::BlockText(flags));
  EXPECT_LE(Distance(ink.strongest, text), 60) << "text is " << ink.strongest.name().toStdString();
}

}  // namespace

TEST(PaintBlocks, MainTextsInWhiteOrDarkGreyInTheirBoxes) {
  Chart chart;
  for (int flags : {0, PaintGreyed}) {
    SCOPED_TRACE(flags);
    auto fill = [&](const Color& c) { return Of(PaintStyle::BlockFill(flags, c)); };
    ExpectText(chart.sub->start, flags, fill(Stock::Green), 0, 0, 128, 72);
    EndBlock end(chart.sub, 0, 200);
    ExpectText(&end, flags, fill(Stock::Crimson), 0, 0, 128, 72);
    CallSub call(chart.sub, 200, 200);
    ExpectText(&call, flags, fill(Stock::SteelBlue), 16, 0, 96, 36);
    ExpectText(&call, flags, fill(Stock::SteelBlue), 16, 36, 96, 36);
    Instruction instruction(chart.sub, 400, 200, &Instruction::InstructionInfos[3]);
    ExpectText(&instruction, flags, fill(Stock::CornflowerBlue), 8, 0, 136, 72);
    Assignment assignment(chart.sub, 0, 400);
    ExpectText(&assignment, flags, fill(Stock::SteelBlue), 0, 0, 128, 72);
    IfBlock branch(chart.sub, 200, 400);
    ExpectText(&branch, flags, fill(Stock::Crimson), 40, 24, 80, 48);
    Comment comment(chart.sub, 400, 400);
    ExpectText(&comment, flags, fill(Stock::Green), 2, 2, 124, 76);
  }
}

TEST(PaintBlocks, LongTextsWrapInsideTheirBoxes) {
  Chart chart;
  Comment comment(chart.sub, 100, 300);
  comment.text = "Hier misst der Regler die Temperatur und schaltet die Heizung";
  comment.canvasItem.w = 160;
  comment.canvasItem.h = 100;
  View view = ViewAround(&comment);
  QImage image = Render(&comment, 0, view);
  // The comment fills its current size, not the size it was made with.
  EXPECT_TRUE(HasColour(image, view, 100 + 158, 300 + 98, Of(Stock::Green)));
  EXPECT_TRUE(HasColour(image, view, 100 + 161, 300 + 50, Of(Background())));
  Ink all = InkIn(image, PixelBox(view, 100, 300, 160, 100), Of(Stock::Green));
  Ink inBox = InkIn(image, PixelBox(view, 102, 302, 156, 96), Of(Stock::Green));
  EXPECT_GT(inBox.count, 50);
  EXPECT_EQ(all.count, inBox.count) << "text outside its box";
  // Several lines, centred.
  EXPECT_GT(inBox.bounds.height(), 40);
  EXPECT_NEAR(inBox.bounds.center().x(), PixelBox(view, 100, 300, 160, 100).center().x(), 4);

  // The instruction's label is centred in its text box, which lies 4 units
  // left of the shape's centre, clear of the slanted edges.
  Instruction instruction(chart.sub, 100, 100, &Instruction::InstructionInfos[5]);
  view = ViewAround(&instruction);
  image = Render(&instruction, 0, view);
  Ink label = InkIn(image, PixelBox(view, 100 + 24, 100 + 10, 112, 52), Of(Stock::CornflowerBlue));
  EXPECT_GT(label.count, 30);
  EXPECT_NEAR(label.bounds.left() + label.bounds.width() / 2.0, PixelBox(view, 100 + 76, 100, 1, 1).left(), 1.5);
}

TEST(PaintBlocks, EmptyTextsShowAQuestionMark) {
  Chart chart;
  Assignment assignment(chart.sub, 0, 200);
  View view = ViewAround(&assignment);
  Ink mark = InkIn(Render(&assignment, 0, view), PixelBox(view, 0, 200, 128, 72), Of(Stock::SteelBlue));
  // One small sign in the middle.
  EXPECT_GT(mark.count, 5);
  EXPECT_LT(mark.bounds.width(), 12);
  EXPECT_LT(mark.bounds.height(), 16);
  EXPECT_NEAR(mark.bounds.center().x(), PixelBox(view, 0, 200, 128, 72).center().x(), 3);
  EXPECT_NEAR(mark.bounds.center().y(), PixelBox(view, 0, 200, 128, 72).center().y(), 3);

  // A parsed assignment stands on three lines: target, "=", right side.
  assignment.assignment = ParsedAssignment(chart.project.variables, "var0 = var1 + 5");
  ASSERT_EQ(assignment.assignment.GetString("\n"), "var0\n=\nvar1 + 5");
  Ink lines = InkIn(Render(&assignment, 0, view), PixelBox(view, 0, 200, 128, 72), Of(Stock::SteelBlue));
  EXPECT_GT(lines.bounds.height(), 36);

  IfBlock branch(chart.sub, 200, 200);
  view = ViewAround(&branch);
  QImage image = Render(&branch, 0, view);
  Ink condition = InkIn(image, PixelBox(view, 215, 200, 130, 96), Of(Stock::Crimson), 60);
  // Only the "?" differs from the rhombus inside its inner part.
  Ink inner = InkIn(image, PixelBox(view, 250, 230, 60, 36), Of(Stock::Crimson));
  EXPECT_GT(inner.count, 5);
  EXPECT_LT(inner.bounds.width(), 12);
  EXPECT_GE(condition.count, inner.count);

  branch.compare = ParsedCompare(chart.project.variables, "var3 >= 10");
  ASSERT_EQ(branch.compare.GetString(" "), "var3 >= 10");
  inner = InkIn(Render(&branch, 0, view), PixelBox(view, 250, 230, 60, 36), Of(Stock::Crimson));
  EXPECT_GT(inner.bounds.width(), 40);
}

TEST(PaintBlocks, IfBlockLabelsItsExitsOnTheChart) {
  Chart chart;
  IfBlock branch(chart.sub, 100, 300);
  View view = ViewAround(&branch, 40, 320, 200);
  for (int flags : {0, PaintGreyed}) {
    SCOPED_TRACE(flags);
    QImage image = Render(&branch, flags, view);
    QColor want = Of(flags & PaintGreyed ? Stock::DarkGrey : Stock::Black);
    // "Nein" beside the right corner, "Ja" below the bottom one.
    Ink no = InkIn(image, PixelBox(view, 100 + 161, 300 + 30, 44, 18), Of(Background()));
    Ink yes = InkIn(image, PixelBox(view, 100 + 85, 300 + 97, 50, 22), Of(Background()));
    EXPECT_GT(no.count, 10);
    EXPECT_GT(yes.count, 10);
    EXPECT_LE(Distance(no.strongest, want), 60);
    EXPECT_LE(Distance(yes.strongest, want), 60);
    // "Nein" is wider than "Ja", and both start at the left of their boxes.
    EXPECT_GT(no.bounds.width(), yes.bounds.width());
    EXPECT_LE(yes.bounds.left(), PixelBox(view, 185, 0, 1, 1).left() + 3);
    // Nothing else beside the rhombus.
    EXPECT_EQ(InkIn(image, PixelBox(view, 100 + 161, 300, 100, 28), Of(Background())).count, 0);
    EXPECT_EQ(InkIn(image, PixelBox(view, 100 + 161, 300 + 50, 100, 46), Of(Background())).count, 0);
    EXPECT_EQ(InkIn(image, PixelBox(view, 100, 300 + 97, 84, 30), Of(Background())).count, 0);
  }
}

TEST(PaintBlocks, CallBlockShowsTargetNameOrQuestionMarkUnderLightBars) {
  Chart chart;
  Sub* other = chart.project.AddChart();
  CallSub call(chart.sub, 64, 300);
  View view = ViewAround(&call);
  QImage noTarget = Render(&call, 0, view);

  // "?" is what a target of that name would show.
  call.target = other;
  other->name = "?";
  EXPECT_EQ(Render(&call, 0, view), noTarget);
  other->name = "Blinken";
  QImage named = Render(&call, 0, view);
  QRect top = PixelBox(view, 64, 300, 128, 36), bottom = PixelBox(view, 64, 336, 128, 36);
  EXPECT_EQ(named.copy(top), noTarget.copy(top));
  EXPECT_NE(named.copy(bottom), noTarget.copy(bottom));
  EXPECT_GT(InkIn(named, bottom, Of(Stock::SteelBlue), 60).bounds.width(), 40);

  // The bars lighten the block in both states: 40 % white over the fill.
  auto blend = [](const Color& under) {
    QColor c = Of(under);
    auto mix = [](int v) { return static_cast<int>(0.4 * 255 + 0.6 * v + 0.5); };
    return QColor(mix(c.red()), mix(c.green()), mix(c.blue()));
  };
  QImage greyed = Render(&call, PaintGreyed, view);
  for (double bx : {6.0, 122.0}) {
    EXPECT_TRUE(HasColour(named, view, 64 + bx, 304, blend(Stock::SteelBlue)));
    EXPECT_TRUE(HasColour(greyed, view, 64 + bx, 304, blend(Stock::LighterGrey)));
  }
  EXPECT_TRUE(HasColour(named, view, 64 + 14, 304, Of(Stock::SteelBlue)));
  EXPECT_TRUE(HasColour(named, view, 64 + 114, 304, Of(Stock::SteelBlue)));
}

TEST(PaintBlocks, InstructionLabelListsArgumentsAndResult) {
  Chart chart;
  auto label = [&](int row, std::vector<std::string> args, std::string result) {
    Instruction instruction(chart.sub, 0, 0, &Instruction::InstructionInfos[row]);
    for (size_t i = 0; i < args.size(); i++) instruction.arguments[i] = args[i];
    instruction.result = result;
    return PaintStyle::InstructionLabel(instruction);
  };
  EXPECT_EQ(label(5, {}, ""), "Lese Eingabe\n -> ?");
  EXPECT_EQ(label(5, {}, "var2"), "Lese Eingabe\n -> var2");
  EXPECT_EQ(label(2, {}, "var2"), "Neue-Zeile ausgeben\n");
  EXPECT_EQ(label(0, {"\"Hallo\""}, ""), "Zeichenkette ausgeben\n (\"Hallo\")");
  EXPECT_EQ(label(8, {"1"}, ""), "PWM-Wert ausgeben\n (1, ?)");
  // Texts beyond the row's argument count are not shown.
  EXPECT_EQ(label(11, {"", "5", "6"}, ""), "Warte Millisekunden\n (?)");
  EXPECT_EQ(label(3, {"ADC2"}, "var0"), "Lese ADC\n (ADC2) -> var0");

  Instruction loading(chart.sub);
  EXPECT_EQ(PaintStyle::InstructionLabel(loading), "?");
}
