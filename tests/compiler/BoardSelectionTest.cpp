// The board a compile builds for follows the upload protocol of the
// settings: the Corbelo bootloader sits on a Mandolet, an STK500 bootloader
// on an Arduino.
#include <gtest/gtest.h>

#include "../language/DefaultSettings.h"
#include "Charts.h"
#include "sim/Simulator.h"

namespace {

using BoardSelection = DefaultSettingsTest;

TEST_F(BoardSelection, ProgrammerOfTheSettingsPicksTheBoard) {
  struct Case {
    const char* programmer;
    const char* board;
    BoardTables tables;
  } cases[] = {
      {"Corbelo", "Mandolet", Mandolet::Tables()},
      {"Arduino", "Arduino", Arduino::Tables()},
      {"corbelo", "Arduino", Arduino::Tables()},
      {"", "Arduino", Arduino::Tables()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.programmer);
    theSettings.programmer = c.programmer;
    Compiler::Program program;  // as the transfer makes it
    EXPECT_STREQ(program.board.name, c.board);
    EXPECT_EQ(program.board.stdlib, &c.tables.stdlib);
    EXPECT_EQ(program.board.stdlibSymbols, &c.tables.stdlibSymbols);
    EXPECT_EQ(program.board.ioRegisterToAddress, &c.tables.ioRegisterToAddress);
    EXPECT_EQ(program.board.flashSize, c.tables.flashSize);
    EXPECT_EQ(program.locations.at("program_start"), c.tables.stdlib.size());
  }
}

// The Arduino's program ends where its bootloader begins, 512 bytes below
// the top of its 32 KB.
TEST_F(BoardSelection, ImageMayFillWhatTheBoardLeavesTheProgram) {
  struct Case {
    const char* programmer;
    size_t limit;
  } cases[] = {{"Corbelo", 8192}, {"Arduino", 32256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.programmer);
    theSettings.programmer = c.programmer;
    Chart chart;
    Sub* main = chart.Main();
    auto* text = chart.Do(main, "print_str", {"\"\""});
    Chart::Chain(main, {text, chart.End(main)});
    const size_t empty = chart.Build()->binary.code.size();
    text->arguments[0] = "\"" + std::string(c.limit - empty, 'x') + "\"";
    EXPECT_EQ(chart.Build()->binary.code.size(), c.limit);
    text->arguments[0] = "\"" + std::string(c.limit - empty + 1, 'x') + "\"";
    CompileError error = ErrorOf(chart);
    EXPECT_FALSE(error.internal);
    EXPECT_EQ(error.message, "Das Programm ist zu groß für den Speicher des Boards: " + std::to_string(c.limit + 1) +
                                 " von " + std::to_string(c.limit) + " Bytes.");
    EXPECT_EQ(error.item, nullptr);
  }
}

// The catalogue is the same on every board, but the Arduino's runtime has no
// PWM or servo routines: such a block is a compile error of its own there.
TEST_F(BoardSelection, BlockWhoseRoutineTheBoardLacksIsAnErrorOfThatBlock) {
  struct Block {
    const char* routine;
    std::vector<std::string> arguments;
    const char* displayName;
  } blocks[] = {{"pwm_init", {}, "PWM aktivieren"},
                {"pwm_set", {"1", "var2"}, "PWM-Wert ausgeben"},
                {"servo_init", {}, "Servo aktivieren"},
                {"servo_set", {"2", "300"}, "Servo-Wert ausgeben"}};
  struct Setting {
    const char* programmer;
    const char* error;  // before the display name; null: it compiles
  } settings[] = {{"Corbelo", nullptr}, {"Arduino", "Diesen Befehl gibt es auf dem Board Arduino nicht: "}};
  for (const Block& b : blocks)
    for (const Setting& board : settings) {
      SCOPED_TRACE(std::string(b.routine) + " with " + board.programmer);
      theSettings.programmer = board.programmer;
      Chart chart;
      Sub* main = chart.Main();
      Instruction* block = chart.Do(main, b.routine, b.arguments);
      Chart::Chain(main, {chart.Do(main, "print_newline"), block, chart.End(main)});
      CompileError error = ErrorOf(chart);
      EXPECT_FALSE(error.internal) << error.message;
      EXPECT_EQ(error.message, board.error ? board.error + std::string(b.displayName) : "");
      EXPECT_EQ(error.item, board.error ? block : nullptr);
    }
}

// The default operands name the Arduino's PIND and PORTC: on the Mandolet a
// block that uses one, in any place, is an error of that block.
TEST_F(BoardSelection, BlockUsingARegisterTheBoardLacksIsAnErrorOfThatBlock) {
  const struct {
    const char* block;
    const char* operand;  // as the message names it
  } uses[] = {{"PORTC.6 = 1", "PORTC.6"},           {"Lampe = var0 & 1", "Lampe (PORTC.6)"},
              {"var0 = Knopf", "Knopf (PIND.2)"},   {"var0 = var1 - PIND.3", "PIND.3"},
              {"PORTB.0 = PIND.4", "PIND.4"},       {"if PIND.5 = 1", "PIND.5"},
              {"if var0 < Knopf", "Knopf (PIND.2)"}};
  for (const auto& use : uses)
    for (const std::string programmer : {"Corbelo", "Arduino"}) {
      SCOPED_TRACE(use.block + (" with " + programmer));
      theSettings.programmer = programmer;
      Chart chart;
      ASSERT_TRUE(chart.variables().AddAlias("Knopf", "PIND.2") && chart.variables().AddAlias("Lampe", "PORTC.6"));
      ChartItem* block = chart.Only(chart.Main(), use.block);
      CompileError error = ErrorOf(chart);
      const bool mandolet = programmer == "Corbelo";
      EXPECT_FALSE(error.internal) << error.message;
      EXPECT_EQ(error.message,
                mandolet ? "Diesen Anschluss gibt es auf dem Board Mandolet nicht: " + std::string(use.operand) : "");
      EXPECT_EQ(error.item, mandolet ? block : nullptr);
    }
}

// The default operands are the Arduino's: its input pins PIND.2 to PIND.7
// are read, and a port bit drives its pin. The Mandolet has no port D.
TEST_F(BoardSelection, DefaultPinsRunOnTheArduinoOnly) {
  auto build = [](Chart& chart) {
    Sub* main = chart.Main();
    Flow flow(main);
    for (int n = 0; n < 6; ++n)
      flow.Add(chart.Assign(main, "var" + std::to_string(n) + " = PIND." + std::to_string(n + 2)));
    flow.Add(chart.Assign(main, "PORTB.5 = PIND.4"));
    flow.Add(chart.Assign(main, "PORTB.0 = 1"));
    flow.Add(chart.End(main));
  };

  theSettings.programmer = "Corbelo";
  Chart mandolet;
  build(mandolet);
  CompileError error = ErrorOf(mandolet);
  EXPECT_FALSE(error.internal);
  EXPECT_EQ(error.message, "Diesen Anschluss gibt es auf dem Board Mandolet nicht: PIND.2");
  EXPECT_EQ(error.item, Chart::Out(mandolet.Main()->start)->endItem);

  theSettings.programmer = "Arduino";
  const bool levels[6] = {true, false, true, true, false, true};
  Chart arduino;
  build(arduino);
  auto program = arduino.Build();
  Sim::Simulator sim(Sim::Chip::ATmega328P);
  sim.Load(program->binary.code);
  for (int n = 0; n < 6; ++n) sim.SetPin('D', n + 2, levels[n]);
  ASSERT_TRUE(sim.Run(1'000'000)) << "pc " << sim.ProgramCounter();
  for (int n = 0; n < 6; ++n) EXPECT_EQ(sim.ReadVariable(n), levels[n] ? 1 : 0) << "PIND." << n + 2;
  const uint8_t portB = 0x05, ddrB = 0x04;
  EXPECT_EQ(sim.ReadIo(portB), 0x21);  // PORTB.5 from PIND.4, PORTB.0 set
  EXPECT_EQ(sim.ReadIo(ddrB) & 0x21, 0x21) << "the port bits drive their pins";
}

}  // namespace
