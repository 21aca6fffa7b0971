// The code image of one compile: construction behind the runtime, labels,
// reservations, string constants and the link step.
#include "compiler/Program.h"

#include "Objdump.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Compiler;

std::vector<uint8_t> Bytes(const Program& program, size_t from, size_t count) {
  return std::vector<uint8_t>(program.binary.code.begin() + from, program.binary.code.begin() + from + count);
}

std::string LinkError(Program& program) {
  try {
    program.Link();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(Program, EmptyStartSubIsTheRuntimeFollowedByOneReturn) {
  Program program;
  const RuntimeImage& runtime = *program.board.stdlib;
  ASSERT_EQ(runtime.size(), 752u);
  const uint16_t callUserMain = program.locations.at("call_user_main");

  EXPECT_EQ(program.locations.at("program_start"), 752u);
  EXPECT_EQ(program.binary.position, 752u);
  // The loading of Z is reserved inside the runtime, not at the end.
  ASSERT_EQ(program.deferredInstructions.size(), 1u);
  EXPECT_EQ(program.deferredInstructions[0]->codePosition, callUserMain);
  EXPECT_EQ(program.deferredInstructions[0]->target.label, "program_start");
  EXPECT_EQ(Bytes(program, callUserMain, 4), (std::vector<uint8_t>{0, 0, 0, 0}));

  program.Emit(RET());  // the start sub's code: start block joined to an end block
  program.Link();

  const auto& code = program.binary.code;
  ASSERT_EQ(code.size(), 754u);
  EXPECT_EQ(Bytes(program, 752, 2), (std::vector<uint8_t>{0x08, 0x95}));
  EXPECT_EQ(Bytes(program, callUserMain, 4), (std::vector<uint8_t>{0xE8, 0xE7, 0xF1, 0xE0}));
  for (size_t i = 0; i < runtime.size(); ++i) {
    if (i < callUserMain || i >= callUserMain + 4u) {
      ASSERT_EQ(code[i], runtime[i]) << "runtime byte " << i;
    }
  }

  // The patched words read as Z := program_start, followed by the runtime's
  // ICALL, r24:r25 := 0 and RET.
  std::vector<uint8_t> tail(code.begin() + callUserMain, code.begin() + callUserMain + 12);
  EXPECT_EQ(Objdump::Disassemble(tail, "avr25"), (std::vector<std::string>{"ldi r30, 0x78", "ldi r31, 0x01", "icall",
                                                                           "ldi r24, 0x00", "ldi r25, 0x00", "ret"}));
}

TEST(Program, DeferringAtTheEndReservesFourPlaceholderBytesAndInsideNone) {
  Program program;
  program.DeferCodeAddressToZ("main");
  program.Emit(ICALL());
  EXPECT_EQ(Bytes(program, 752, 6), (std::vector<uint8_t>{0x5A, 0x5A, 0x5A, 0x5A, 0x09, 0x95}));
  EXPECT_EQ(program.binary.position, 758u);

  // Reserve room by hand, then defer into it: nothing written, nothing moved.
  program.Emit(LDI(16, 0));
  program.Emit(LDI(17, 0));
  program.binary.position = 758;
  program.DeferSTS({"var0", 1}, 25);
  EXPECT_EQ(program.binary.position, 758u);
  EXPECT_EQ(program.binary.code.size(), 762u);
  EXPECT_EQ(program.deferredInstructions.back()->codePosition, 758u);
  program.binary.position = 762;

  program.DeferLDS(24, "var63");
  program.DeferLoadFlashAddress("print_str", 20, 21);
  EXPECT_EQ(Bytes(program, 762, 8), std::vector<uint8_t>(8, 0x5A));
  EXPECT_EQ(program.deferredInstructions.size(), 5u);

  program.Link();
  const auto& locations = program.locations;
  const uint16_t main = locations.at("main");
  const uint16_t var0 = locations.at("var0");
  const uint16_t var63 = locations.at("var63");
  const uint16_t printStr = locations.at("print_str");
  auto hex2 = [](unsigned v) {
    char text[8];
    snprintf(text, sizeof text, "0x%02X", v);
    return std::string(text);
  };
  auto hex4 = [](unsigned v) {
    char text[8];
    snprintf(text, sizeof text, "0x%04X", v);
    return std::string(text);
  };
  std::vector<uint8_t> user(program.binary.code.begin() + 752, program.binary.code.end());
  EXPECT_EQ(Objdump::Disassemble(user, "avr25"),
            (std::vector<std::string>{"ldi r30, " + hex2((main >> 1) & 0xFF), "ldi r31, " + hex2(main >> 9), "icall",
                                      "sts " + hex4(var0 + 1) + ", r25", "lds r24, " + hex4(var63),
                                      "ldi r20, " + hex2(printStr & 0xFF), "ldi r21, " + hex2(printStr >> 8)}));
}

TEST(Program, FirstDefinitionOfALabelWins) {
  Program program;
  const uint16_t main = program.locations.at("main");
  program.DefineLabel("main", 900);  // a sub named like a runtime routine
  program.DefineLabel("program_start", 900);
  program.DefineLabel("Funktion1", 0x12345);  // truncated to 16 bits
  program.DefineLabel("Funktion1", 800);
  EXPECT_EQ(program.locations.at("main"), main);
  EXPECT_EQ(program.locations.at("program_start"), 752u);
  EXPECT_EQ(program.locations.at("Funktion1"), 0x2345u);

  program.DeferCodeAddressToZ("main");
  program.Link();
  EXPECT_EQ(Bytes(program, 752, 4), (std::vector<uint8_t>{static_cast<uint8_t>(0xE0 | ((main >> 1) & 0x0F)),
                                                          static_cast<uint8_t>(0xE0 | ((main >> 5) & 0x0F)),
                                                          static_cast<uint8_t>(0xF0 | ((main >> 9) & 0x0F)),
                                                          static_cast<uint8_t>(0xE0 | ((main >> 13) & 0x0F))}));
}

TEST(Program, GeneratedLabelsCountUpAndYieldToEarlierDefinitions) {
  Program program;
  EXPECT_EQ(program.labelCounter, 0u);
  EXPECT_EQ(program.NewLabel(), "loc1");
  EXPECT_EQ(program.NewLabel(), "loc2");
  // A sub called "loc3" written before the third label is made keeps it.
  program.DefineLabel("loc3", 760);
  std::string third = program.NewLabel();
  EXPECT_EQ(third, "loc3");
  program.DefineLabel(third, 770);
  EXPECT_EQ(program.locations.at("loc3"), 760u);
  EXPECT_EQ(program.labelCounter, 3u);
  for (int i = 4; i <= 10; ++i) EXPECT_EQ(program.NewLabel(), "loc" + std::to_string(i));
}

TEST(Program, StringConstantsFollowTheCodeInCreationOrder) {
  Program program;
  const char* texts[] = {"Hallo", "", "Hallo", "\xC3\xA4!"};
  std::vector<std::string> labels;
  for (const char* text : texts) {
    labels.push_back(program.NewLabel());
    program.stringConstants.emplace_back(labels.back(), text);
    program.DeferLoadFlashAddress(labels.back(), 24, 25);
  }
  program.Emit(RET());
  const size_t codeEnd = program.binary.code.size();
  program.Link();

  const std::vector<uint8_t> expected = {'H', 'a', 'l', 'l', 'o', 0, 0, 'H', 'a', 'l', 'l', 'o', 0, 0xC3, 0xA4, '!', 0};
  EXPECT_EQ(std::vector<uint8_t>(program.binary.code.begin() + codeEnd, program.binary.code.end()), expected);
  const size_t offsets[] = {0, 6, 7, 13};
  for (size_t i = 0; i < labels.size(); ++i) {
    const uint16_t address = static_cast<uint16_t>(codeEnd + offsets[i]);
    EXPECT_EQ(program.locations.at(labels[i]), address) << labels[i];
    // The load holds the byte address, not halved: LDI r24, lo; LDI r25, hi.
    EXPECT_EQ(Bytes(program, 752 + 4 * i, 4),
              (std::vector<uint8_t>{static_cast<uint8_t>(0x80 | (address & 0x0F)),
                                    static_cast<uint8_t>(0xE0 | ((address >> 4) & 0x0F)),
                                    static_cast<uint8_t>(0x90 | ((address >> 8) & 0x0F)),
                                    static_cast<uint8_t>(0xE0 | ((address >> 12) & 0x0F))}))
        << labels[i];
  }
}

TEST(Program, AVariableOffsetIsAddedAndWrapsAtSixteenBits) {
  Program program;
  program.DefineLabel("top", 0xFFFF);
  program.DeferLDS(24, {"top", 1});
  program.DeferLDS(25, {"var0", 1});
  program.Link();
  std::vector<uint8_t> user(program.binary.code.begin() + 752, program.binary.code.end());
  const unsigned var0High = program.locations.at("var0") + 1u;
  char expected[32];
  snprintf(expected, sizeof expected, "lds r25, 0x%04X", var0High);
  EXPECT_EQ(Objdump::Disassemble(user, "avr25"), (std::vector<std::string>{"lds r24, 0x0000", expected}));
}

TEST(Program, LinkNamesTheFirstUndefinedLabel) {
  {
    Program program;
    program.DeferCodeAddressToZ("print_number");
    program.DeferLDS(24, "zaehler");  // a variable that is no runtime symbol
    program.DeferCodeAddressToZ("nirgends");
    EXPECT_EQ(LinkError(program), "Location zaehler has not been defined");
    // Entries before the failing one are complete; the rest keep their placeholders.
    const uint16_t callUserMain = program.locations.at("call_user_main");
    EXPECT_EQ(Bytes(program, callUserMain, 4), (std::vector<uint8_t>{0xE8, 0xE7, 0xF1, 0xE0}));
    EXPECT_NE(Bytes(program, 752, 4), std::vector<uint8_t>(4, 0x5A));
    EXPECT_EQ(Bytes(program, 756, 8), std::vector<uint8_t>(8, 0x5A));
  }
  {
    Program program;
    program.DeferCodeAddressToZ({"Funktion2", 0});
    EXPECT_EQ(LinkError(program), "Location Funktion2 has not been defined");
  }
}

TEST(Program, BuildsBehindTheGivenBoardsRuntime) {
  BoardTables corbelo = Corbelo::Tables();
  Board board;
  board.ioRegisterToAddress = &corbelo.ioRegisterToAddress;
  board.stdlib = &corbelo.stdlib;
  board.stdlibSymbols = &corbelo.stdlibSymbols;
  Program program(board);
  EXPECT_EQ(program.binary.code, corbelo.stdlib);
  EXPECT_EQ(program.locations.at("program_start"), corbelo.stdlib.size());
  EXPECT_EQ(program.locations.at("main"), corbelo.stdlibSymbols.at("main"));
}

TEST(Program, RuntimeWithoutCallUserMainIsRefused) {
  Board board;
  SymbolMap symbols = *board.stdlibSymbols;
  symbols.erase("call_user_main");
  board.stdlibSymbols = &symbols;
  try {
    Program program(board);
    FAIL() << "constructed without call_user_main";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Location call_user_main has not been defined");
  }
}

}  // namespace
