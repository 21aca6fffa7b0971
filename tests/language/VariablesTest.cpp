#include "DefaultSettings.h"

#include "language/Variables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using VariablesTest = DefaultSettingsTest;

std::vector<std::string> Names(const Variables& table) {
  std::vector<std::string> names;
  for (const Variable* v : table.variableList) names.push_back(v->name);
  return names;
}

TEST_F(VariablesTest, DefaultTableHoldsFiftyThreeEntriesInSettingsOrder) {
  Variables table;
  ASSERT_EQ(table.variableList.size(), 53u);
  std::vector<std::string> expected;
  for (int i = 0; i < 32; ++i) expected.push_back("var" + std::to_string(i));
  for (int i = 0; i < 8; ++i) expected.push_back("PORTB." + std::to_string(i));
  expected.push_back("PORTC.6");
  for (int i = 2; i < 8; ++i) expected.push_back("PIND." + std::to_string(i));
  for (int i = 0; i < 6; ++i) expected.push_back("ADC" + std::to_string(i));
  EXPECT_EQ(Names(table), expected);

  EXPECT_EQ(table.GetOperand("var31")->kind, VariableKind::Integer);
  EXPECT_EQ(table.GetOperand("PORTC.6")->kind, VariableKind::Port);
  EXPECT_EQ(table.GetOperand("PIND.2")->kind, VariableKind::Pin);
  EXPECT_EQ(table.GetOperand("ADC5")->kind, VariableKind::ADC);
  EXPECT_THAT(table.GetAllAliases(), IsEmpty());
}

TEST_F(VariablesTest, LookUpIsExactAndCaseSensitive) {
  Variables table;
  EXPECT_NE(table.GetOperand("var1"), nullptr);
  EXPECT_EQ(table.GetOperand("VAR1"), nullptr);
  EXPECT_EQ(table.GetOperand("var1 "), nullptr);
  EXPECT_EQ(table.GetOperand("var"), nullptr);
  EXPECT_EQ(table.GetOperand("portb.0"), nullptr);
  EXPECT_EQ(table.GetOperand(""), nullptr);
}

TEST_F(VariablesTest, SettingsAliasesFollowChainsAndDropMissingTargets) {
  theSettings.aliases = {{"Led", "PORTB.0"}, {"Lampe", "Led"}, {"Knopf", "nirgends"}};
  Variables table;
  ASSERT_EQ(table.variableList.size(), 55u);
  Variable* port = table.GetOperand("PORTB.0");
  Variable* led = table.GetOperand("Led");
  Variable* lampe = table.GetOperand("Lampe");
  ASSERT_TRUE(led && lampe);
  EXPECT_EQ(led->aliasTarget, port);
  EXPECT_EQ(lampe->aliasTarget, port) << "an alias of an alias stands for the root";
  EXPECT_EQ(lampe->kind, VariableKind::Port);
  EXPECT_EQ(table.GetOperand("Knopf"), nullptr);
  EXPECT_THAT(table.GetAllAliases(), ElementsAre("Led", "Lampe"));
}

TEST_F(VariablesTest, SettingsAliasBeforeItsTargetAliasIsDropped) {
  theSettings.aliases = {{"Lampe", "Led"}, {"Led", "PORTB.0"}};
  Variables table;
  EXPECT_THAT(table.GetAllAliases(), ElementsAre("Led"));
}

TEST_F(VariablesTest, SettingsAliasWithExistingNameIsKeptButShadowed) {
  theSettings.aliases = {{"var1", "ADC0"}, {"kein Name", "var2"}};
  Variables table;
  ASSERT_EQ(table.variableList.size(), 55u);
  EXPECT_EQ(table.GetOperand("var1")->kind, VariableKind::Integer);
  EXPECT_EQ(table.GetOperand("var1")->aliasTarget, nullptr);
  EXPECT_THAT(table.GetAllAliases(), ElementsAre("var1", "kein Name"));
}

TEST_F(VariablesTest, IdentifierRuleAllowsAsciiLettersDigitsAndUnderscore) {
  EXPECT_TRUE(Variables::IsValidIdentifier("a"));
  EXPECT_TRUE(Variables::IsValidIdentifier("Led_2"));
  EXPECT_TRUE(Variables::IsValidIdentifier("Z9_"));
  EXPECT_FALSE(Variables::IsValidIdentifier(""));
  EXPECT_FALSE(Variables::IsValidIdentifier("_led"));
  EXPECT_FALSE(Variables::IsValidIdentifier("2led"));
  EXPECT_FALSE(Variables::IsValidIdentifier("PORTB.0"));
  EXPECT_FALSE(Variables::IsValidIdentifier("Led an"));
  EXPECT_FALSE(Variables::IsValidIdentifier("Tür"));
  EXPECT_FALSE(Variables::IsValidIdentifier(std::string("a\0b", 3)));
}

TEST_F(VariablesTest, AddAliasRefusesBadNamesAndMissingTargets) {
  Variables table;
  EXPECT_FALSE(table.AddAlias("Led", "PORTB.9"));      // no such target
  EXPECT_FALSE(table.AddAlias("PORTB.0", "PORTB.1"));  // dot in the name
  EXPECT_FALSE(table.AddAlias("var2", "var1"));        // name taken by a plain entry
  EXPECT_EQ(table.variableList.size(), 53u);

  ASSERT_TRUE(table.AddAlias("Led", "PORTB.0"));
  EXPECT_FALSE(table.AddAlias("Led", "PORTB.1")) << "name taken by an alias";
  ASSERT_TRUE(table.AddAlias("Lampe", "Led"));
  EXPECT_EQ(table.variableList.size(), 55u);
  EXPECT_EQ(table.GetOperand("Lampe")->aliasTarget, table.GetOperand("PORTB.0"));
  EXPECT_EQ(table.variableList.back()->name, "Lampe") << "aliases are appended";
}

TEST_F(VariablesTest, UpdateAliasChangesNameAndTargetWithinItsKind) {
  Variables table;
  ASSERT_TRUE(table.AddAlias("Zaehler", "var1"));
  ASSERT_TRUE(table.AddAlias("Summe", "var2"));
  Variable* alias = table.GetOperand("Zaehler");

  EXPECT_FALSE(table.UpdateAlias("Zaehler", "Zaehler", "PIND.2")) << "an alias keeps its kind";
  EXPECT_FALSE(table.UpdateAlias("Zaehler", "Zaehler", "fehlt"));
  EXPECT_FALSE(table.UpdateAlias("Fehlt", "Zaehler", "var3"));
  EXPECT_FALSE(table.UpdateAlias("Zaehler", "1x", "var3"));
  EXPECT_EQ(alias->name, "Zaehler");
  EXPECT_EQ(alias->aliasTarget, table.GetOperand("var1"));

  EXPECT_TRUE(table.UpdateAlias("Zaehler", "Zaehler", "var3")) << "only the target changes";
  EXPECT_EQ(alias->aliasTarget, table.GetOperand("var3"));

  EXPECT_TRUE(table.UpdateAlias("Zaehler", "Index", "Summe")) << "alias as target: its root is taken";
  EXPECT_EQ(alias->name, "Index");
  EXPECT_EQ(alias->aliasTarget, table.GetOperand("var2"));
  EXPECT_EQ(table.GetOperand("Zaehler"), nullptr);
  EXPECT_EQ(table.GetOperand("Index"), alias);
}

TEST_F(VariablesTest, UpdateAliasMayTakeAnotherEntrysName) {
  Variables table;
  ASSERT_TRUE(table.AddAlias("Zaehler", "var1"));
  EXPECT_TRUE(table.UpdateAlias("Zaehler", "var5", "var1"));
  EXPECT_EQ(table.GetOperand("var5")->aliasTarget, nullptr) << "the plain var5 comes first";
  EXPECT_THAT(table.GetAllAliases(), ElementsAre("var5"));
}

TEST_F(VariablesTest, UpdateAliasRefusesAPlainOperand) {
  Variables table;
  const std::vector<std::string> before = Names(table);
  EXPECT_FALSE(table.UpdateAlias("var1", "Zaehler", "var2"));
  EXPECT_FALSE(table.UpdateAlias("PORTB.0", "PORTB.0", "PORTB.1"));
  EXPECT_EQ(Names(table), before);
  EXPECT_EQ(table.GetOperand("var1")->aliasTarget, nullptr);
  EXPECT_EQ(table.GetOperand("PORTB.0")->aliasTarget, nullptr);
}

TEST_F(VariablesTest, AliasDestinationNamesTheRootOrNothing) {
  Variables table;
  ASSERT_TRUE(table.AddAlias("Led", "PORTB.3"));
  ASSERT_TRUE(table.AddAlias("Lampe", "Led"));
  EXPECT_EQ(table.GetAliasDestination("Led"), "PORTB.3");
  EXPECT_EQ(table.GetAliasDestination("Lampe"), "PORTB.3");
  EXPECT_EQ(table.GetAliasDestination("PORTB.3"), "");
  EXPECT_EQ(table.GetAliasDestination("Fehlt"), "");
}

TEST_F(VariablesTest, AliasTargetSuggestionsFollowKindAndPrefix) {
  Variables table;
  ASSERT_TRUE(table.AddAlias("Led", "PORTB.0"));
  ASSERT_TRUE(table.AddAlias("Wert", "var0"));

  EXPECT_THAT(table.SuggestAliasTargets("", "Led"), ElementsAre("PORTB.0", "PORTB.1", "PORTB.2", "PORTB.3", "PORTB.4",
                                                                "PORTB.5", "PORTB.6", "PORTB.7", "PORTC.6"));
  EXPECT_THAT(table.SuggestAliasTargets("PORTC", "Led"), ElementsAre("PORTC.6"));
  EXPECT_THAT(table.SuggestAliasTargets("var3", "Wert"), ElementsAre("var3", "var30", "var31"));
  // A new alias: every plain entry with the prefix, never an alias.
  EXPECT_THAT(table.SuggestAliasTargets("A", "Neu"), ElementsAre("ADC0", "ADC1", "ADC2", "ADC3", "ADC4", "ADC5"));
  EXPECT_EQ(table.SuggestAliasTargets("", "Neu").size(), 53u);
  EXPECT_THAT(table.SuggestAliasTargets("L", "Neu"), IsEmpty());
  EXPECT_THAT(table.SuggestAliasTargets("adc", "Neu"), IsEmpty());
}

TEST_F(VariablesTest, FormatOperandsListsAliasesFirstThenTableOrder) {
  Variables table;
  ASSERT_TRUE(table.AddAlias("Knopf", "PIND.3"));
  ASSERT_TRUE(table.AddAlias("Led", "PORTB.0"));
  const std::vector<std::string> lines = table.FormatOperands(0x401, "", " = ");
  ASSERT_EQ(lines.size(), 1u + 32u + 9u);
  EXPECT_EQ(lines[0], "Led = ");
  EXPECT_EQ(lines[1], "var0 = ");
  EXPECT_EQ(lines[32], "var31 = ");
  EXPECT_EQ(lines[33], "PORTB.0 = ");
  EXPECT_EQ(lines.back(), "PORTC.6 = ");

  EXPECT_THAT(table.FormatOperands(VariableKind::Pin, "x < ", "!"),
              ElementsAre("x < Knopf!", "x < PIND.2!", "x < PIND.3!", "x < PIND.4!", "x < PIND.5!", "x < PIND.6!",
                          "x < PIND.7!"));
  EXPECT_THAT(table.FormatOperands(0, "", ""), IsEmpty());
}

TEST_F(VariablesTest, CastableTypesPerTargetKind) {
  EXPECT_EQ(Variables::GetCastableTypes(VariableKind::Integer), 0x815);
  EXPECT_EQ(Variables::GetCastableTypes(VariableKind::Port), 0x804);
  EXPECT_EQ(Variables::GetCastableTypes(VariableKind::Pin), 0x800);
  EXPECT_EQ(Variables::GetCastableTypes(VariableKind::ADC), 0);
  EXPECT_EQ(Variables::GetCastableTypes(0), 0);
}

}  // namespace
