// How the rules of the walk combine in one compile: one label counter for
// else parts, string constants and merge points, in the order the walk meets
// them, and nested if blocks whose parts meet.
#include <gtest/gtest.h>

#include "Charts.h"
#include "CodeListing.h"

namespace {

using namespace CodeListing;

TEST(CodeRules, ElseLabelsStringsAndMergePointsShareOneCounter) {
  Chart chart;
  Sub* main = chart.Main();
  Sub* other = chart.AddSub("Ausgabe");
  chart.variables().variableList.push_back(new Variable("PINB.2", VariableKind::Pin));
  // if var0 = PINB.2 (loc1) -> if 3 > var1 (loc2) -> print_str "a" (loc3) ->
  // set -> end; the outer no side enters set (loc4), the inner one end (loc5).
  auto* outer = chart.If(main, "var0 = PINB.2");
  auto* inner = chart.If(main, "3 > var1");
  auto* text = chart.Do(main, "print_str", {"\"a\""});
  auto* set = chart.Assign(main, "var2 = 1");
  auto* end = chart.End(main);
  Chart::Arrow(main, outer);
  Chart::Arrow(outer, inner);
  Chart::NoArrow(outer, set);
  Chart::Arrow(inner, text);
  Chart::NoArrow(inner, end);
  Chart::Arrow(text, set);
  Chart::Arrow(set, end);
  // The second sub (written at 840) and its string take the next number, loc6.
  Chart::Chain(other, {chart.Do(other, "print_str", {"\"xy\""}), chart.Call(other, main), chart.End(other)});

  Compiler::Program program;
  chart.project.WriteCode(program);
  const Lines_t code = LinkAndList(program, 752);

  // Addresses worked out from the layout: outer compare 28 bytes, inner 24,
  // print_str 10, set 12, RET 2, two jumps of 6, then the second sub's 18.
  const unsigned setAt = 814, endAt = 826, innerElse = 828, outerElse = 834;
  EXPECT_EQ(program.locations.at("loc1"), outerElse);
  EXPECT_EQ(program.locations.at("loc2"), innerElse);
  EXPECT_EQ(program.locations.at("loc3"), 858u) << "the first string, right behind the code";
  EXPECT_EQ(program.locations.at("loc4"), setAt);
  EXPECT_EQ(program.locations.at("loc5"), endAt);
  EXPECT_EQ(program.locations.at("loc6"), 860u);
  EXPECT_EQ(program.labelCounter, 6u);
  EXPECT_EQ(code, Lines({
                      {"lds r24, 0x00DE", "lds r25, 0x00DF", "eor r20, r20", "eor r21, r21", "sbic 0x16, 2", "inc r20",
                       "cp r24, r20", "cpc r25, r21", "breq .+6"},
                      LoadZ(outerElse),
                      {"ijmp", "ldi r24, 0x03", "ldi r25, 0x00", "lds r20, 0x00DC", "lds r21, 0x00DD", "cp r20, r24",
                       "cpc r21, r25", "brlt .+6"},
                      LoadZ(innerElse),
                      {"ijmp", "ldi r24, 0x5A", "ldi r25, 0x03"},
                      LoadZ(0xBA),
                      {"icall", "ldi r24, 0x01", "ldi r25, 0x00", "sts 0x00DA, r24", "sts 0x00DB, r25", "ret"},
                      LoadZ(endAt),
                      {"ijmp"},
                      LoadZ(setAt),
                      {"ijmp", "ldi r24, 0x5C", "ldi r25, 0x03"},
                      LoadZ(0xBA),
                      {"icall"},
                      LoadZ(752),
                      {"icall", "ret"},
                  }));
}

}  // namespace
