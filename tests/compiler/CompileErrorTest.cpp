// Every compile error with the item it marks, the internal errors of the
// tables, the order in which errors are found, and the refusal of what only
// a broken project file holds.
#include <gtest/gtest.h>

#include <functional>

#include "Charts.h"
#include "document/Comment.h"

namespace {

const std::string Unconnected =
    "Dieser Block wird von keiner Stelle deines Programms benutzt!\nWenn du ihn nicht benötigst, lösche ihn!\n"
    "Wenn du ihn aber benutzen willst, verbinde ihn mit einem Pfeil!";
const std::string LooseArrow = "Der Anschluss ist nicht mit einem anderen Block verbunden";
const std::string NoTarget =
    "Du hast einen Aufruf für ein Unterprogramm eingefügt, aber kein Unterprogramm festgelegt, das aufgerufen "
    "werden soll! \n\nKlicke doppelt auf den markierten Block, um das zu ändern!";
const std::string BadParameter =
    "Du hast keinen Paramter im Befehls-Block angegeben.\n\nKlicke doppelt auf den markierten Block, um das zu ändern!";
const std::string BadAssignment =
    "Du hast keine mathematische Formel im Zuweisungsblock angegben. \n\nKlicke doppelt auf den markierten Block, um "
    "das zu ändern!";
const std::string MissingArrow =
    "Diesem Block fehlt ein Pfeil, der von ihm weiterführt: Die Projektdatei ist beschädigt.\n\nLösche den markierten "
    "Block und füge ihn neu ein!";
const std::string MissingStartArrow =
    "Diesem Block fehlt ein Pfeil, der von ihm weiterführt: Die Projektdatei ist beschädigt.\n\nDen Startblock "
    "kannst du nicht löschen. Lege ein neues Projekt an und zeichne dein Programm dort noch einmal!";
const std::string MissingSubStartArrow =
    "Diesem Block fehlt ein Pfeil, der von ihm weiterführt: Die Projektdatei ist beschädigt.\n\nDen Startblock "
    "kannst du nicht löschen. Lösche dieses Unterprogramm (Doppelklick auf seinen Reiter) und lege es neu an!";
const std::string LooseYes = "Ja-Seite ist nicht mit einem Block verbunden";
const std::string LooseNo = "Nein-Seite ist nicht mit einem Block verbunden";
const std::string BadCondition =
    "Du hast keine Bedingung im Bedingungsblock angegeben.\n\nKlicke doppelt auf den markierten Block, um das zu "
    "ändern!";

void ExpectError(Chart& chart, const std::string& message, ChartItem* item) {
  CompileError error = ErrorOf(chart);
  EXPECT_FALSE(error.internal) << error.message;
  EXPECT_EQ(error.message, message);
  EXPECT_EQ(error.item, item);
}

// Takes one arrow out of the block, as a broken project file leaves it.
ChartItem* WithoutArrow(ChartItem* block, ChartItem* ChartItem::*arrow) {
  delete (block->*arrow);
  block->*arrow = nullptr;
  return block;
}

void ExpectInternal(Chart& chart, const std::string& message) {
  CompileError error = ErrorOf(chart);
  EXPECT_TRUE(error.internal) << error.message;
  EXPECT_EQ(error.message, message);
}

TEST(CompileError, EveryBlockThatNoArrowEntersIsReported) {
  Chart chart;
  Sub* main = chart.Main();
  Chart::Chain(main, {chart.End(main)});
  std::vector<ChartItem*> orphans = {chart.End(main), chart.Call(main, main), chart.Do(main, "print_newline"),
                                     chart.Assign(main, "var0 = 1"), chart.If(main, "var0 = 1")};
  new Comment(main, 0, 0);  // comments take no arrows and are never reported
  for (ChartItem* orphan : orphans) {
    ExpectError(chart, Unconnected, orphan);
    delete orphan;
  }
  EXPECT_TRUE(ErrorOf(chart).message.empty());
}

TEST(CompileError, UnreachedBlockIsReportedNotTheOneItEnters) {
  Chart chart;
  Sub* main = chart.Main();
  Chart::Chain(main, {chart.End(main)});
  auto* entered = chart.Assign(main, "var0 = 1");
  auto* orphan = chart.Assign(main, "var1 = 1");
  Chart::Arrow(orphan, entered);
  ExpectError(chart, Unconnected, orphan);
}

TEST(CompileError, LooseArrowReachedByTheWalk) {
  Chart chart;
  Sub* main = chart.Main();
  auto* block = chart.Assign(main, "var0 = 1");
  Chart::Chain(main, {block});
  ExpectError(chart, LooseArrow, Chart::Out(block));

  Chart empty;
  ExpectError(empty, LooseArrow, Chart::Out(empty.Main()->start));
}

TEST(CompileError, CallWithoutTarget) {
  Chart chart;
  Sub* main = chart.Main();
  auto* call = chart.Call(main, nullptr);
  Chart::Chain(main, {call, chart.End(main)});
  ExpectError(chart, NoTarget, call);
}

TEST(CompileError, InstructionArgumentsAndResults) {
  struct Case {
    const char* routine;
    std::vector<std::string> arguments;
    const char* result;
  } bad[] = {
      {"waitms", {""}, ""},             // empty argument
      {"waitms", {"40000"}, ""},        // beyond 16 bits
      {"print_number", {"\"x\""}, ""},  // text where a number belongs
      {"print_str", {"Hallo"}, ""},     // unknown name, not a text
      {"print_char", {"PORTB.1"}, ""},  // port bit
      {"adc_read", {"var1"}, "var2"},   // a variable where a channel belongs
      {"adc_read", {"ADC1"}, ""},       // no result
      {"pwm_set", {"var1", "3"}, ""},   // channel must be a literal
      {"pwm_set", {"1", "&h10"}, ""},   // malformed literal
      {"recvchar", {}, ""},             // no result
  };
  for (const Case& c : bad) {
    Chart chart;
    Sub* main = chart.Main();
    auto* block = chart.Do(main, c.routine, c.arguments, c.result);
    Chart::Chain(main, {block, chart.End(main)});
    ExpectError(chart, BadParameter, block);
  }
}

TEST(CompileError, AssignmentsWithoutFormulaOrThatTheTargetRefuses) {
  for (const char* text : {"", "var0 =", "var0 = var1 +", "nix = 1", "var0 = nix", "PORTB.1 = 5", "PORTB.1 = var0",
                           "ADC0 = 1", "var0 = ADC0", "PINB.2 = 1"}) {
    Chart chart;
    Sub* main = chart.Main();
    chart.variables().variableList.push_back(new Variable("PINB.2", VariableKind::Pin));
    auto* block = chart.Assign(main, text);
    Chart::Chain(main, {block, chart.End(main)});
    ExpectError(chart, BadAssignment, block);
  }
}

TEST(CompileError, IfBlockChecksYesThenNoThenCondition) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 <");
  Chart::Arrow(main, test);
  ExpectError(chart, LooseYes, Chart::Out(test));
  Chart::Arrow(test, chart.End(main));
  ExpectError(chart, LooseNo, Chart::No(test));
  Chart::NoArrow(test, chart.End(main));
  ExpectError(chart, BadCondition, test);
  test->compare = ParsedCompare(chart.variables(), "5 > var0");
  EXPECT_TRUE(ErrorOf(chart).message.empty());
}

TEST(CompileError, SubsAreCheckedAndWrittenOneAfterAnother) {
  Chart chart;
  Sub* main = chart.Main();
  Sub* second = chart.AddSub("Funktion1");
  auto* loose = chart.Assign(main, "var0 = 1");
  Chart::Chain(main, {loose});
  Chart::Chain(second, {chart.End(second)});
  auto* orphan = chart.End(second);
  // The first sub's code fails before the second sub is checked.
  ExpectError(chart, LooseArrow, Chart::Out(loose));
  // Within one sub the check comes before the code.
  auto* mainOrphan = chart.End(main);
  ExpectError(chart, Unconnected, mainOrphan);
  delete mainOrphan;
  Chart::Arrow(loose, chart.End(main));
  ExpectError(chart, Unconnected, orphan);
}

// Names from a project file or the settings that do not fit their kind, and
// output bits read as values, are errors of the block that uses them; names
// that std::stoi reads to a bit 0 to 7 or a channel 0 to 15 still compile.
TEST(CompileError, MalformedOrUnreadableOperandsAreErrorsOfTheirBlock) {
  using namespace VariableKind;
  const std::string bit = "Dieser Anschluss hat keine gültige Bitnummer (0 bis 7): ";
  const std::string channel = "Dieser Analogeingang hat keine gültige Kanalnummer (ADC0 bis ADC15): ";
  const struct {
    const char* operand;  // entered in the table, with the alias Taster for it
    int kind;
    const char* block;
    std::string error;  // empty: it compiles
  } cases[] = {
      {"PINB", Pin, "if PINB = 1",
       "Dieser Anschluss braucht einen Namen aus Register, Punkt und Bitnummer wie PINB.2: PINB"},
      {"PINB.8", Pin, "var0 = Taster", bit + "Taster (PINB.8)"},
      {"PINB.-1", Pin, "if var0 < Taster", bit + "Taster (PINB.-1)"},
      {"PINB.4294967296", Pin, "if PINB.4294967296 = 1", bit + "PINB.4294967296"},
      {"PORTB.x", Port, "PORTB.x = var0 & 1", bit + "PORTB.x"},
      {"ADC16", ADC, "adc_read ADC16", channel + "ADC16"},
      {"ADC", ADC, "var0 = var1 + Taster", channel + "Taster (ADC)"},
      {"PORTB.0", Port, "if PORTB.0 = 1", "Einen Ausgang kannst du nur setzen, nicht lesen: PORTB.0"},
      {"PINB. 7", Pin, "if Taster = 1", ""},
      {"PORTB..+6x", Port, "Taster = 1", ""},
      {"ADC 15", ADC, "adc_read Taster", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    Chart chart;
    chart.variables().variableList.push_back(new Variable(c.operand, c.kind));
    ASSERT_TRUE(chart.variables().AddAlias("Taster", c.operand));
    ChartItem* block = chart.Only(chart.Main(), c.block);
    ExpectError(chart, c.error, c.error.empty() ? nullptr : block);
  }
}

TEST(CompileError, ConditionWithoutOperator) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 = var1");
  test->compare.op = CompareOperator::None;
  Chart::Arrow(main, test);
  Chart::Arrow(test, chart.End(main));
  Chart::NoArrow(test, chart.End(main));
  ExpectInternal(chart, "Invalid CompareMode cannot be prepared for compiler");
}

// Integer variables live in the runtime's cells var0 to var63; a name from
// the settings or a file that is none of them, even one of another runtime
// symbol, is an error of the block that uses it.
TEST(CompileError, IntegerNamesThatAreNoVariableCellAreErrorsOfTheirBlock) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"zahl = 1", "zahl"},
      {"var0 = zahl + 1", "zahl"},
      {"if Wert < 3", "Wert (zahl)"},
      {"main = 1", "main"},
      {"var64 = 1", "var64"},
      {"waitchar -> Ergebnis", "Ergebnis"},
      {"waitchar -> Wert", "Wert (zahl)"},
  };
  for (const auto& [text, operand] : cases) {
    SCOPED_TRACE(text);
    Chart chart;
    for (const char* name : {"zahl", "main", "var64"})
      chart.variables().variableList.push_back(new Variable(name, VariableKind::Integer));
    ASSERT_TRUE(chart.variables().AddAlias("Wert", "zahl"));
    const size_t arrow = text.find(" -> ");
    ChartItem* block = arrow == std::string::npos
                           ? chart.Only(chart.Main(), text)
                           : chart.Do(chart.Main(), text.substr(0, arrow), {}, text.substr(arrow + 4));
    if (arrow != std::string::npos) Chart::Chain(chart.Main(), {block, chart.End(chart.Main())});
    ExpectError(chart, "Diese Variable gibt es auf dem Board Mandolet nicht: " + operand, block);
  }
}

TEST(CompileError, PortOfAnotherBoard) {
  Chart chart;
  Sub* main = chart.Main();
  auto* block = chart.Assign(main, "PORTC.6 = 1");
  Chart::Chain(main, {block, chart.End(main)});
  ExpectError(chart, "Diesen Anschluss gibt es auf dem Board Mandolet nicht: PORTC.6", block);
}

TEST(CompileError, ImageLargerThanTheFlashIsRefusedWithoutItem) {
  // A text of that many letters in quotes.
  auto quoted = [](size_t letters) {
    std::string text(letters + 2, 'x');
    text.front() = text.back() = '"';
    return text;
  };
  Chart chart;
  Sub* main = chart.Main();
  auto* text = chart.Do(main, "print_str", {quoted(8192 - 752 - 12)});
  Chart::Chain(main, {text, chart.End(main)});
  ExpectError(chart, "Das Programm ist zu groß für den Speicher des Boards: 8193 von 8192 Bytes.", nullptr);
  text->arguments[0] = quoted(8192 - 752 - 13);
  auto program = chart.Build();
  EXPECT_EQ(program->binary.code.size(), 8192u);
}

// What only a broken project file holds is refused instead of producing code
// that runs into whatever follows: a block without its arrows as an error of
// that block, what the loader already refuses as an internal error.
TEST(CompileError, BrokenChartsAreRefused) {
  {
    Chart chart;
    Sub* main = chart.Main();
    Chart::Chain(main, {chart.End(main)});
    main->start = nullptr;
    ExpectInternal(chart, "Sub Start has no start block");
  }
  // A block without one of its arrows; a start block cannot be deleted and
  // renewed, so its text tells what can be.
  const struct {
    const char* what;
    std::function<ChartItem*(Chart&)> broken;  // builds the chart, returns the block that lacks an arrow
    std::string message;
  } missing[] = {
      {"assignment",
       [](Chart& chart) {
         auto* block = chart.Assign(chart.Main(), "var0 = 1");
         Chart::Chain(chart.Main(), {block});
         return WithoutArrow(block, &ChartItem::dependent1);
       },
       MissingArrow},
      {"no side of an if block",
       [](Chart& chart) {
         auto* test = chart.If(chart.Main(), "var0 = 1");
         Chart::Chain(chart.Main(), {test, chart.End(chart.Main())});
         return WithoutArrow(test, &ChartItem::dependent2);
       },
       MissingArrow},
      {"start block of the start sub",
       [](Chart& chart) { return WithoutArrow(chart.Main()->start, &ChartItem::dependent1); }, MissingStartArrow},
      {"start block of another sub",
       [](Chart& chart) {
         Chart::Chain(chart.Main(), {chart.End(chart.Main())});
         return WithoutArrow(chart.AddSub("Funktion1")->start, &ChartItem::dependent1);
       },
       MissingSubStartArrow},
  };
  for (const auto& row : missing) {
    SCOPED_TRACE(row.what);
    Chart chart;
    ChartItem* block = row.broken(chart);
    ExpectError(chart, row.message, block);
  }
  {
    Chart chart;
    Sub* main = chart.Main();
    Chart::Arrow(main, new Comment(main, 0, 0));
    ExpectInternal(chart, "An arrow in sub Start ends at an item that takes no arrows");
  }
  {
    Chart chart;
    Sub* main = chart.Main();
    auto* block = chart.Do(main, "print_newline");
    Chart::Chain(main, {block, chart.End(main)});
    block->info = nullptr;
    ExpectInternal(chart, "An instruction block in sub Start names no instruction");
  }
}

TEST(CompileError, CheckLeavesTheCanvasCompacting) {
  Chart chart;
  Sub* main = chart.Main();
  auto* orphan = chart.End(main);
  Chart::Chain(main, {chart.End(main)});
  ExpectError(chart, Unconnected, orphan);
  EXPECT_TRUE(main->canvas.compactOnRemove);
  delete orphan;
  for (unsigned i = 0; i < main->canvas.count; ++i) EXPECT_NE(main->canvas.items[i], nullptr);
}

}  // namespace
