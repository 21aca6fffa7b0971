// The operand table in the project file.
#include "../language/DefaultSettings.h"
#include "document/XmlReader.h"
#include "document/XmlWriter.h"
#include "language/Variables.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

struct VariablesXml : DefaultSettingsTest {
  TempFolder dir;

  std::string Save(const Variables& v) {
    XMLWriter w(dir / "v.xml");
    w.OpenTag("Project");
    v.Write(&w);
    w.CloseTag("Project");
    EXPECT_TRUE(w.Commit());
    return ReadFile(dir / "v.xml");
  }
  // Reads the table from a Project element with the given content; returns
  // the message of a failure, "" on success.
  std::string Load(Variables& v, const std::string& content) {
    WriteFile(dir / "r.xml", "<Project>" + content + "</Project>");
    return LoadFile(v, dir / "r.xml");
  }
  std::string LoadFile(Variables& v, const std::string& path) {
    try {
      XMLReader r(path);
      r.OpenTag("Project");
      v.Read(&r);
      r.CloseTag("Project");
    } catch (const XMLReaderException& e) {
      return std::string("error: ") + e.message;
    }
    return "";
  }
  static std::string Describe(const Variables& v) {
    std::string out;
    for (const Variable* e : v.variableList) {
      out += e->name + ":" + std::to_string(e->kind);
      if (e->aliasTarget) out += "->" + e->aliasTarget->name;
      out += " ";
    }
    return out;
  }
};

TEST_F(VariablesXml, WritesGroupsThenAliases) {
  theSettings.integerVariables = {"var0", "var1"};
  theSettings.ioPorts = {"PORTB.0"};
  theSettings.ioPins = {"PIND.2"};
  theSettings.adcChannels = {"ADC0"};
  theSettings.aliases = {{"Led", "PORTB.0"}, {"Lampe", "Led"}, {"Zähler", "var1"}};
  Variables v;
  EXPECT_EQ(Save(v),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
            "<Project>\n"
            " <Integers>\n"
            "  <Integer>var0</Integer>\n"
            "  <Integer>var1</Integer>\n"
            " </Integers>\n"
            " <Ports>\n"
            "  <Port>PORTB.0</Port>\n"
            " </Ports>\n"
            " <Pins>\n"
            "  <Pin>PIND.2</Pin>\n"
            " </Pins>\n"
            " <ADCs>\n"
            "  <ADC>ADC0</ADC>\n"
            " </ADCs>\n"
            " <Aliases>\n"
            "  <Alias>\n"
            "   <Name>Led</Name>\n"
            "   <Target>PORTB.0</Target>\n"
            "  </Alias>\n"
            "  <Alias>\n"
            "   <Name>Lampe</Name>\n"
            "   <Target>PORTB.0</Target>\n"
            "  </Alias>\n"
            "  <Alias>\n"
            "   <Name>Zähler</Name>\n"
            "   <Target>var1</Target>\n"
            "  </Alias>\n"
            " </Aliases>\n"
            "</Project>\n");
}

TEST_F(VariablesXml, RoundTripRegroupsByKind) {
  Variables v;
  Variables source;
  for (Variable* e : source.variableList) delete e;
  source.variableList.clear();
  source.variableList.push_back(new Variable("PORTB.1", VariableKind::Port));
  source.variableList.push_back(new Variable("x", VariableKind::Integer));
  source.variableList.push_back(new Variable("ADC3", VariableKind::ADC));
  source.variableList.push_back(new Variable("Knopf", new Variable("PIND.4", VariableKind::Pin)));
  source.variableList.push_back(source.variableList.back()->aliasTarget);
  source.variableList.push_back(new Variable("y", VariableKind::Integer));
  Save(source);
  ASSERT_EQ(LoadFile(v, dir / "v.xml"), "");
  EXPECT_EQ(Describe(v), "x:1 y:1 PORTB.1:1024 PIND.4:2048 ADC3:4096 Knopf:2048->PIND.4 ");
}

TEST_F(VariablesXml, ReadReplacesTableAndResolvesAliasChains) {
  Variables v;
  ASSERT_EQ(Load(v,
                 "<Aliases><Alias><Target>var1</Target><Name>A</Name></Alias>"
                 "<Alias><Name>B</Name><Target>A</Target></Alias>"
                 "<Alias><Name>C</Name><Target>D</Target></Alias>"
                 "<Alias><Name>D</Name><Target>var0</Target></Alias></Aliases>"
                 "<ADCs/><Pins></Pins><Ports><Port>PORTB.7</Port></Ports>"
                 "<Integers><Integer>var1</Integer><Integer>var0</Integer><Integer>var1</Integer></Integers>"),
            "");
  // C names D before D exists and is dropped; B stands for A's root; names
  // are not checked, so the duplicate var1 stays.
  EXPECT_EQ(Describe(v), "var1:1 var0:1 var1:1 PORTB.7:1024 A:1->var1 B:1->var1 D:1->var0 ");
  EXPECT_EQ(v.GetOperand("B")->aliasTarget, v.variableList[0]);
}

TEST_F(VariablesXml, MissingOrExtraElementsFail) {
  const std::string all = "<Integers/><Ports/><Pins/><ADCs/><Aliases/>";
  Variables v;
  EXPECT_EQ(Load(v, all), "");
  EXPECT_TRUE(v.variableList.empty());
  for (const char* list : {"<Integers/>", "<Ports/>", "<Pins/>", "<ADCs/>", "<Aliases/>"}) {
    std::string without = all;
    without.erase(without.find(list), std::string(list).size());
    EXPECT_EQ(Load(v, without), "error: Konnte kein schließendes Tag für das geöffnete Tag finden") << list;
  }
  const std::string noLeaf = "error: Konnte Tag für das Texttag nicht finden";
  EXPECT_EQ(Load(v, "<Integers><Port>x</Port></Integers><Ports/><Pins/><ADCs/><Aliases/>"), noLeaf);
  EXPECT_EQ(Load(v, "<Integers/><Ports/><Pins/><ADCs/><Aliases><Alias><Name>a</Name></Alias></Aliases>"), noLeaf);
  EXPECT_EQ(Load(v, "<Integers/><Ports/><Pins/><ADCs/><Aliases><Alias><Target>var0</Target></Alias></Aliases>"),
            noLeaf);
  EXPECT_EQ(Load(v, "<Integers/><Ports/><Pins/><ADCs/><Aliases><Name>a</Name></Aliases>"),
            "error: Konnte kein schließendes Tag für das geöffnete Tag finden");
  EXPECT_EQ(
      Load(v,
           "<Integers/><Ports/><Pins/><ADCs/><Aliases><Alias><Name>a</Name><Target>b</Target><X/></Alias></Aliases>"),
      "error: Ein Tag wurde geschlossen, obwohl nicht alle Kindelemente eingelesen wurden");
  EXPECT_EQ(Load(v, "<Integers><Integer><b/></Integer></Integers><Ports/><Pins/><ADCs/><Aliases/>"),
            "error: Texttag mit Kindelementen");
}

}  // namespace
