// The code of the blocks and of the walk through a chart, read back with
// avr-objdump.
#include <gtest/gtest.h>

#include "Charts.h"
#include "CodeListing.h"

namespace {

using namespace CodeListing;

// Writes the project's code and lists everything behind the runtime.
Lines_t UserCode(Chart& chart, std::unique_ptr<Compiler::Program>* keep = nullptr) {
  auto program = std::make_unique<Compiler::Program>();
  chart.project.WriteCode(*program);
  Lines_t listing = LinkAndList(*program, ProgramStart);
  if (keep) *keep = std::move(program);
  return listing;
}

Lines_t Store(const Compiler::Program& program, const std::string& variable) {
  unsigned address = program.locations.at(variable);
  return {"sts " + Hex4(address) + ", r24", "sts " + Hex4(address + 1) + ", r25"};
}

Lines_t Load(const Compiler::Program& program, const std::string& variable, int lo = 24) {
  unsigned address = program.locations.at(variable);
  return {"lds r" + std::to_string(lo) + ", " + Hex4(address),
          "lds r" + std::to_string(lo + 1) + ", " + Hex4(address + 1)};
}

Lines_t Literal(int value, int lo) {
  return {"ldi r" + std::to_string(lo) + ", " + CodeListing::Hex2(value),
          "ldi r" + std::to_string(lo + 1) + ", " + CodeListing::Hex2(value >> 8)};
}

TEST(BlockCode, LoneEndBlockIsOneReturnAtProgramStart) {
  Chart chart;
  Chart::Chain(chart.Main(), {chart.End(chart.Main())});
  auto program = chart.Build();
  const auto& code = program->binary.code;
  ASSERT_EQ(code.size(), ProgramStart + 2);
  EXPECT_EQ(code[752], 0x08);
  EXPECT_EQ(code[753], 0x95);
  const unsigned callUserMain = program->locations.at("call_user_main");
  EXPECT_EQ(std::vector<uint8_t>(code.begin() + callUserMain, code.begin() + callUserMain + 4),
            (std::vector<uint8_t>{0xE8, 0xE7, 0xF1, 0xE0}));
}

TEST(BlockCode, SecondArrowIntoAnEndBlockJumpsToItsLabel) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 = 0");
  auto* set = chart.Assign(main, "var1 = 1");
  auto* end = chart.End(main);
  Chart::Arrow(main, test);
  Chart::Arrow(test, set);
  Chart::Arrow(set, end);
  Chart::NoArrow(test, end);
  std::unique_ptr<Compiler::Program> program;
  Lines_t code = UserCode(chart, &program);
  // compare (24 bytes), set (12 bytes), then the end block under loc2.
  EXPECT_EQ(program->locations.at("loc2"), 788);
  EXPECT_EQ(program->locations.at("loc1"), 790);
  EXPECT_EQ(code, Lines({Load(*program, "var0"),
                         Literal(0, 20),
                         {"cp r24, r20", "cpc r25, r21", "breq .+6"},
                         LoadZ(790),
                         {"ijmp"},
                         Literal(1, 24),
                         Store(*program, "var1"),
                         {"ret"},
                         LoadZ(788),
                         {"ijmp"}}));
}

TEST(BlockCode, IfBlockWhoseArrowsMeetWritesTheBlockInTheYesPart) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 <> var1");
  auto* end = chart.End(main);
  Chart::Arrow(main, test);
  Chart::Arrow(test, end);
  Chart::NoArrow(test, end);
  std::unique_ptr<Compiler::Program> program;
  Lines_t code = UserCode(chart, &program);
  EXPECT_EQ(code, Lines({Load(*program, "var0"),
                         Load(*program, "var1", 20),
                         {"cp r24, r20", "cpc r25, r21", "brne .+6"},
                         LoadZ(program->locations.at("loc1")),
                         {"ijmp"},
                         {"ret"},
                         LoadZ(program->locations.at("loc2")),
                         {"ijmp"}}));
  EXPECT_EQ(program->locations.at("loc2"), 780);
  EXPECT_EQ(program->locations.at("loc1"), 782);
}

TEST(BlockCode, LoopBackToAnIfBlockJumpsToItsFirstArrival) {
  Chart chart;
  Sub* main = chart.Main();
  auto* clear = chart.Assign(main, "var0 = 0");
  auto* test = chart.If(main, "var0 < 5");
  auto* count = chart.Assign(main, "var0 = var0 + 1");
  auto* end = chart.End(main);
  Chart::Chain(main, {clear, test, count});
  Chart::Arrow(count, test);
  Chart::NoArrow(test, end);
  std::unique_ptr<Compiler::Program> program;
  Lines_t code = UserCode(chart, &program);
  EXPECT_EQ(program->locations.at("loc1"), 764) << "the if block, labelled at its first arrival";
  EXPECT_EQ(program->locations.at("loc2"), 818) << "its else part";
  EXPECT_EQ(code, Lines({Literal(0, 24),
                         Store(*program, "var0"),
                         Load(*program, "var0"),
                         Literal(5, 20),
                         {"cp r24, r20", "cpc r25, r21", "brlt .+6"},
                         LoadZ(818),
                         {"ijmp"},
                         Load(*program, "var0"),
                         Literal(1, 22),
                         {"add r24, r22", "adc r25, r23"},
                         Store(*program, "var0"),
                         LoadZ(764),
                         {"ijmp"},
                         {"ret"}}));
}

TEST(BlockCode, InstructionsLoadTheirArgumentsAndStoreTheirResult) {
  Chart chart;
  Sub* main = chart.Main();
  ASSERT_TRUE(chart.variables().AddAlias("Messwert", "var5"));
  Chart::Chain(main,
               {chart.Do(main, "print_newline"), chart.Do(main, "adc_read", {"ADC2"}, "Messwert"),
                chart.Do(main, "pwm_set", {"1", "var2"}), chart.Do(main, "waitchar", {}, "var6"), chart.End(main)});
  std::unique_ptr<Compiler::Program> program;
  Lines_t code = UserCode(chart, &program);
  const Compiler::Program& p = *program;
  EXPECT_EQ(code, Lines({LoadZ(p, "print_newline"),
                         {"icall"},
                         Literal(2, 24),
                         LoadZ(p, "adc_read"),
                         {"icall"},
                         Store(p, "var5"),
                         Literal(1, 24),
                         Load(p, "var2", 22),
                         LoadZ(p, "pwm_set"),
                         {"icall"},
                         LoadZ(p, "waitchar"),
                         {"icall"},
                         Store(p, "var6"),
                         {"ret"}}));
  EXPECT_EQ(p.locations.at("print_newline"), 0xD4);
  EXPECT_EQ(p.locations.at("adc_read"), 0xDC);
}

// Files saved before the dialog trimmed may hold blanks around argument
// and result texts: they compile to the same image as the clean texts.
TEST(BlockCode, BlanksAroundInstructionTextsDoNotMatter) {
  struct Texts {
    const char* routine;
    std::vector<std::string> arguments;
    std::string result;
  };
  const Texts clean[] = {{"adc_read", {"ADC2"}, "var5"}, {"adc_read", {"ADC1"}, "Messwert"},
                         {"waitchar", {}, "var6"},       {"print_number", {"var3"}, ""},
                         {"pwm_set", {"1", "var2"}, ""}, {"print_str", {"\" Hallo \""}, ""}};
  const Texts blanks[] = {{"adc_read", {" ADC2 "}, " var5 "}, {"adc_read", {"ADC1"}, "Messwert\t"},
                          {"waitchar", {}, "  var6"},         {"print_number", {"var3 "}, ""},
                          {"pwm_set", {" 1", "var2 "}, ""},   {"print_str", {" \" Hallo \"\t"}, ""}};
  auto image = [](const Texts* texts, size_t count) {
    Chart chart;
    Sub* main = chart.Main();
    EXPECT_TRUE(chart.variables().AddAlias("Messwert", "var7"));
    Flow flow(main);
    for (size_t i = 0; i < count; ++i) flow.Add(chart.Do(main, texts[i].routine, texts[i].arguments, texts[i].result));
    flow.Add(chart.End(main));
    CompileError error = ErrorOf(chart);
    EXPECT_EQ(error.message, "");
    return error.message.empty() ? chart.Build()->binary.code : std::vector<uint8_t>{};
  };
  std::vector<uint8_t> expected = image(clean, std::size(clean));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(image(blanks, std::size(blanks)), expected);
}

TEST(BlockCode, TextArgumentBecomesAStringConstantBehindTheCode) {
  Chart chart;
  Sub* main = chart.Main();
  Chart::Chain(main, {chart.Do(main, "print_str", {" \"Grüße\" "}), chart.End(main)});
  auto program = chart.Build();
  const std::string text = "Grüße";
  const unsigned at = ProgramStart + 12;
  EXPECT_EQ(program->binary.code.size(), at + text.size() + 1);
  EXPECT_EQ(std::string(program->binary.code.begin() + at, program->binary.code.end() - 1), text);
  EXPECT_EQ(program->binary.code.back(), 0);
  EXPECT_EQ(program->binary.code[ProgramStart], 0x80 | (at & 0x0F)) << "ldi r24, low byte of the text's address";
}

TEST(BlockCode, CallsReachTheirSubWhateverItIsNamed) {
  for (const char* name : {"main", "var0", "loc3", "program_start", "Start", "@sub0"}) {
    Chart chart;
    Sub* main = chart.Main();
    Sub* callee = chart.AddSub(name);
    Sub* other = chart.AddSub(name);  // the same name again
    Chart::Chain(main, {chart.Call(main, callee), chart.Call(main, other), chart.End(main)});
    Chart::Chain(callee, {chart.Assign(callee, "var1 = 1"), chart.End(callee)});
    Chart::Chain(other, {chart.End(other)});
    std::unique_ptr<Compiler::Program> program;
    Lines_t code = UserCode(chart, &program);
    const unsigned calleeAt = ProgramStart + 14, otherAt = calleeAt + 14;
    EXPECT_EQ(code, Lines({LoadZ(calleeAt),
                           {"icall"},
                           LoadZ(otherAt),
                           {"icall"},
                           {"ret"},
                           Literal(1, 24),
                           Store(*program, "var1"),
                           {"ret"},
                           {"ret"}}))
        << name;
  }
}

TEST(BlockCode, SubThatCallsItselfAndUncalledSubsAreCompiled) {
  Chart chart;
  Sub* main = chart.Main();
  Sub* self = chart.AddSub("Funktion1");
  Chart::Chain(main, {chart.End(main)});
  Chart::Chain(self, {chart.Call(self, self), chart.End(self)});
  std::unique_ptr<Compiler::Program> program;
  EXPECT_EQ(UserCode(chart, &program), Lines({{"ret"}, LoadZ(754), {"icall", "ret"}}));
}

TEST(BlockCode, UnreachedBlocksThatArrowIntoEachOtherProduceNothing) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 > 1");
  auto* wait = chart.Do(main, "waitms", {"10"});
  Chart::Arrow(test, wait);
  Chart::Arrow(wait, test);
  Chart::Chain(main, {chart.End(main)});
  EXPECT_EQ(UserCode(chart), (Lines_t{"ret"}));
}

TEST(BlockCode, EveryCompileStartsWithClearedLabels) {
  Chart chart;
  Sub* main = chart.Main();
  auto* test = chart.If(main, "var0 >= -3");
  auto* end = chart.End(main);
  Chart::Arrow(main, test);
  Chart::Arrow(test, end);
  Chart::NoArrow(test, end);
  auto first = chart.Build();
  EXPECT_EQ(end->label, "loc2");
  auto second = chart.Build();
  EXPECT_EQ(first->binary.code, second->binary.code);
}

TEST(BlockCode, ConditionsCompareSigned) {
  // Every operator, with the operands where the ordering swaps them.
  struct Case {
    const char* condition;
    Lines_t compare;
  } cases[] = {
      {"var0 < var1", {"cp r24, r20", "cpc r25, r21", "brlt .+6"}},
      {"var0 <= var1", {"cp r20, r24", "cpc r21, r25", "brge .+6"}},
      {"var0 = var1", {"cp r24, r20", "cpc r25, r21", "breq .+6"}},
      {"var0 >= var1", {"cp r24, r20", "cpc r25, r21", "brge .+6"}},
      {"var0 > var1", {"cp r20, r24", "cpc r21, r25", "brlt .+6"}},
      {"var0 <> var1", {"cp r24, r20", "cpc r25, r21", "brne .+6"}},
  };
  for (const Case& c : cases) {
    Chart chart;
    Sub* main = chart.Main();
    auto* test = chart.If(main, c.condition);
    Chart::Arrow(main, test);
    Chart::Arrow(test, chart.End(main));
    Chart::NoArrow(test, chart.End(main));
    std::unique_ptr<Compiler::Program> program;
    Lines_t code = UserCode(chart, &program);
    EXPECT_EQ(
        code,
        Lines({Load(*program, "var0"), Load(*program, "var1", 20), c.compare, LoadZ(782), {"ijmp", "ret", "ret"}}))
        << c.condition;
  }
}

TEST(BlockCode, LongChainIsWalkedWithoutDeepRecursion) {
  Chart chart;
  Sub* main = chart.Main();
  Flow flow(main);
  for (int i = 0; i < 5000; ++i) flow.Add(chart.Assign(main, "var1 = var1 + 1"));
  flow.Add(chart.End(main));
  Compiler::Program program;
  chart.project.WriteCode(program);
  EXPECT_EQ(program.binary.code.size(), ProgramStart + 5000 * 24 + 2);
}

}  // namespace
