#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "compiler/Board.h"

namespace {

std::set<std::string> CommonSymbols() {
  std::set<std::string> names = {".bss",
                                 ".do_clear_bss_loop",
                                 ".do_clear_bss_start",
                                 ".text",
                                 "__bad_interrupt",
                                 "__bss_end",
                                 "__bss_start",
                                 "__ctors_end",
                                 "__ctors_start",
                                 "__data_load_end",
                                 "__data_load_start",
                                 "__divmodhi4",
                                 "__divmodhi4_exit",
                                 "__divmodhi4_neg1",
                                 "__divmodhi4_neg2",
                                 "__do_clear_bss",
                                 "__dtors_end",
                                 "__dtors_start",
                                 "__init",
                                 "__mulhi3",
                                 "__stop_program",
                                 "__trampolines_end",
                                 "__trampolines_start",
                                 "__udivmodhi4",
                                 "__udivmodhi4_ep",
                                 "__udivmodhi4_loop",
                                 "__vector_default",
                                 "__vectors",
                                 "_div",
                                 "_etext",
                                 "_exit",
                                 "adc_read",
                                 "call_user_main",
                                 "exit",
                                 "main",
                                 "print_char",
                                 "print_newline",
                                 "print_number",
                                 "print_str",
                                 "recvchar",
                                 "waitchar",
                                 "waitms",
                                 "waitus"};
  for (int i = 0; i < 64; ++i) names.insert("var" + std::to_string(i));
  return names;
}

std::set<std::string> ExpectedSymbols(int vectors, const std::vector<std::string>& extra) {
  std::set<std::string> names = CommonSymbols();
  for (int i = 1; i <= vectors; ++i) names.insert("__vector_" + std::to_string(i));
  names.insert(extra.begin(), extra.end());
  return names;
}

const std::vector<std::string> kTinyExtras = {"__mulhi3_exit",   "__mulhi3_loop",  "__mulhi3_skip1", "pwm_init",
                                              "pwm_set",         "servo_init",     "servo_set",      "softserial_init",
                                              "softserial_recv", "softserial_send"};

std::set<std::string> NamesOf(const SymbolMap& symbols) {
  std::set<std::string> names;
  for (const auto& [name, address] : symbols) names.insert(name);
  return names;
}

uint16_t WordAt(const RuntimeImage& image, uint32_t address) {
  return static_cast<uint16_t>(image.at(address) | image.at(address + 1) << 8);
}

// Target byte address of the RJMP at address.
uint32_t RjmpTarget(const RuntimeImage& image, uint32_t address) {
  uint16_t word = WordAt(image, address);
  EXPECT_EQ(word & 0xF000, 0xC000) << "no RJMP at " << address;
  int k = word & 0x0FFF;
  if (k & 0x800) k -= 0x1000;
  return static_cast<uint32_t>((static_cast<int>(address / 2) + 1 + k) * 2);
}

// Target byte address of the JMP at address.
uint32_t JmpTarget(const RuntimeImage& image, uint32_t address) {
  uint16_t word = WordAt(image, address);
  EXPECT_EQ(word & 0xFE0E, 0x940C) << "no JMP at " << address;
  uint32_t high = ((word >> 3) & 0x3E) | (word & 1);
  return ((high << 16) | WordAt(image, address + 2)) * 2;
}

struct Expected {
  const char* name;
  BoardTables tables;
  uint32_t size;
  std::set<std::string> symbols;
  size_t symbolCount;
  int vectors;  // entries of the vector table
  bool jmpVectors;
  uint16_t exit;
  uint16_t var0;
  uint32_t flashSize;
};

std::vector<Expected> AllBoards() {
  return {
      {"Mandolet", Mandolet::Tables(), 752,
       ExpectedSymbols(18,
                       [] {
                         auto extra = kTinyExtras;
                         extra.push_back("PORTA_AND_DDRA");
                         return extra;
                       }()),
       136, 19, false, 0x2EC, 0xDE, 8192},
      {"Corbelo", Corbelo::Tables(), 558, ExpectedSymbols(16, kTinyExtras), 133, 17, false, 0x22A, 0xDE, 8192},
      {"Arduino", Arduino::Tables(), 826,
       ExpectedSymbols(25, {"pwm_output", "servo_output", "serial_send", "serial_recv", "serial_recv_if_avail"}), 137,
       26, true, 0x336, 0x17E, 32256},
  };
}

TEST(BoardTables, SizesAndExactSymbolSets) {
  for (const Expected& board : AllBoards()) {
    SCOPED_TRACE(board.name);
    EXPECT_EQ(board.tables.stdlib.size(), board.size);
    EXPECT_EQ(board.tables.flashSize, board.flashSize);
    EXPECT_EQ(board.symbols.size(), board.symbolCount);  // the list above is complete
    EXPECT_EQ(board.tables.stdlibSymbols.size(), board.symbolCount);
    EXPECT_EQ(NamesOf(board.tables.stdlibSymbols), board.symbols);
  }
}

TEST(BoardTables, ImageLayout) {
  for (const Expected& board : AllBoards()) {
    SCOPED_TRACE(board.name);
    const RuntimeImage& image = board.tables.stdlib;
    const SymbolMap& sym = board.tables.stdlibSymbols;
    const uint32_t entry = board.jmpVectors ? 4 : 2;

    // Vector table: reset to the start-up code, every other entry to
    // __bad_interrupt, which restarts at 0.
    auto target = [&](uint32_t address) {
      return board.jmpVectors ? JmpTarget(image, address) : RjmpTarget(image, address);
    };
    EXPECT_EQ(sym.at("__vectors"), 0);
    EXPECT_EQ(sym.at("__init"), board.vectors * entry);
    EXPECT_EQ(target(0), sym.at("__init"));
    for (int i = 1; i < board.vectors; ++i) {
      EXPECT_EQ(target(i * entry), sym.at("__bad_interrupt")) << "vector " << i;
      EXPECT_EQ(sym.at("__vector_" + std::to_string(i)), sym.at("__bad_interrupt"));
    }
    EXPECT_EQ(sym.at("__vector_default"), sym.at("__bad_interrupt"));
    EXPECT_EQ(target(sym.at("__bad_interrupt")), 0u);
    for (const char* marker :
         {"__trampolines_start", "__trampolines_end", "__ctors_start", "__ctors_end", "__dtors_start", "__dtors_end"})
      EXPECT_EQ(sym.at(marker), sym.at("__init")) << marker;
    EXPECT_EQ(sym.at(".text"), 0);

    // call_user_main: two patchable zero words, ICALL, LDI r24,0, LDI r25,0, RET.
    const std::vector<uint8_t> hook = {0x00, 0x00, 0x00, 0x00, 0x09, 0x95, 0x80, 0xE0, 0x90, 0xE0, 0x08, 0x95};
    uint16_t callUserMain = sym.at("call_user_main");
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + callUserMain, image.begin() + callUserMain + hook.size()), hook);

    // The image ends with CLI and a jump to itself.
    EXPECT_EQ(sym.at("exit"), board.exit);
    EXPECT_EQ(sym.at("_exit"), board.exit);
    EXPECT_EQ(sym.at("__stop_program"), board.exit + 2);
    EXPECT_EQ(WordAt(image, board.exit), 0x94F8);
    EXPECT_EQ(WordAt(image, board.exit + 2), 0xCFFF);
    for (const char* end : {"_etext", "__data_load_start", "__data_load_end"})
      EXPECT_EQ(sym.at(end), board.size) << end;

    // The variables fill .bss exactly, var0 at the top.
    EXPECT_EQ(sym.at("var0"), board.var0);
    EXPECT_EQ(sym.at("__bss_end"), board.var0 + 2);
    for (int n = 0; n < 64; ++n) EXPECT_EQ(sym.at("var" + std::to_string(n)), sym.at("__bss_end") - 2 - 2 * n) << n;
    EXPECT_EQ(sym.at("var63"), sym.at("__bss_start"));
    EXPECT_EQ(sym.at(".bss"), sym.at("__bss_start"));

    // Every code symbol lies inside the image.
    for (const char* routine : {"main", "print_number", "print_str", "print_newline", "print_char", "adc_read",
                                "waitms", "waitus", "waitchar", "recvchar", "__mulhi3", "__divmodhi4", "__udivmodhi4"})
      EXPECT_LT(sym.at(routine), board.size) << routine;
    EXPECT_EQ(sym.at("_div"), sym.at("__divmodhi4"));
  }
}

TEST(BoardTables, MandoletTellingRows) {
  const SymbolMap& sym = Mandolet::Tables().stdlibSymbols;
  const std::vector<std::pair<std::string, uint16_t>> rows = {
      {"print_number", 0x48},  {"print_str", 0xBA},        {"print_newline", 0xD4},    {"adc_read", 0xDC},
      {"servo_init", 0xF6},    {"servo_set", 0x126},       {"pwm_init", 0x16C},        {"pwm_set", 0x19C},
      {"print_char", 0x1C0},   {"waitchar", 0x1C2},        {"recvchar", 0x1C8},        {"waitms", 0x1CE},
      {"waitus", 0x1E4},       {"softserial_init", 0x1F6}, {"softserial_send", 0x200}, {"softserial_recv", 0x23C},
      {"main", 0x240},         {"call_user_main", 0x26E},  {"__mulhi3", 0x27A},        {"__divmodhi4", 0x29E},
      {"__udivmodhi4", 0x2C4}, {"_etext", 0x2F0},          {"__bss_start", 0x60},      {"__bss_end", 0xE0},
      {"var63", 0x60},         {"PORTA_AND_DDRA", 0x3B}};
  for (const auto& [name, address] : rows) EXPECT_EQ(sym.at(name), address) << name;
}

TEST(BoardTables, CorbeloPwmAndServoAreLoneReturns) {
  BoardTables corbelo = Corbelo::Tables();
  for (const char* routine : {"pwm_init", "pwm_set", "servo_init", "servo_set"})
    EXPECT_EQ(WordAt(corbelo.stdlib, corbelo.stdlibSymbols.at(routine)), 0x9508) << routine;
}

TEST(BoardTables, IoRegisterMaps) {
  const IoRegisterMap tiny = {{"PINA", 0x19}, {"DDRA", 0x1A}, {"PORTA", 0x1B},
                              {"PINB", 0x16}, {"DDRB", 0x17}, {"PORTB", 0x18}};
  EXPECT_EQ(Mandolet::Tables().ioRegisterToAddress, tiny);
  EXPECT_EQ(Corbelo::Tables().ioRegisterToAddress, tiny);
  const IoRegisterMap mega = {{"PINB", 0x03},  {"DDRB", 0x04}, {"PORTB", 0x05}, {"PINC", 0x06}, {"DDRC", 0x07},
                              {"PORTC", 0x08}, {"PIND", 0x09}, {"DDRD", 0x0A},  {"PORTD", 0x0B}};
  EXPECT_EQ(Arduino::Tables().ioRegisterToAddress, mega);
  EXPECT_EQ(Mandolet::Tables().ioRegisterToAddress.count("portb"), 0u);
}

TEST(BoardTables, CorbeloBootloaderSelectsMandolet) {
  Board board("Corbelo");
  BoardTables mandolet = Mandolet::Tables();
  EXPECT_EQ(board.stdlib, &mandolet.stdlib);
  EXPECT_EQ(board.stdlibSymbols, &mandolet.stdlibSymbols);
  EXPECT_EQ(board.ioRegisterToAddress, &mandolet.ioRegisterToAddress);
  EXPECT_EQ(board.flashSize, 8192u);
}

}  // namespace
