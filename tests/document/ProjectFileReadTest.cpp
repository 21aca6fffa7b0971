// Loading hand-written project files: what must be there, what may vary, and
// what fails the load.
#include "../language/DefaultSettings.h"
#include "ProjectFileTestUtil.h"
#include "support/Files.h"
#include "support/RealFaults.h"

#include <gtest/gtest.h>

using namespace projectfile;

namespace {

std::string Item(const std::string& id, const std::string& x, const std::string& y, const std::string& deps = "") {
  return "<ChartItem><Id>" + id + "</Id><X>" + x + "</X><Y>" + y + "</Y>" + deps + "</ChartItem>";
}

std::string Arrow(const std::string& id, int sx, int sy, int ex, int ey, const std::string& extra = "") {
  return "<BlockConnector>" + Item(id, "0", "0") + "<StartX>" + std::to_string(sx) + "</StartX><StartY>" +
         std::to_string(sy) + "</StartY><EndX>" + std::to_string(ex) + "</EndX><EndY>" + std::to_string(ey) +
         "</EndY>" + extra + "<ToRight>0</ToRight></BlockConnector>";
}

std::string Deps(const std::string& inner) { return "<DependendItems>" + inner + "</DependendItems>"; }

const std::string Tables =
    "<Integers><Integer>var0</Integer><Integer>var1</Integer></Integers>"
    "<Ports><Port>PORTB.0</Port></Ports><Pins><Pin>PIND.2</Pin></Pins><ADCs><ADC>ADC0</ADC></ADCs>"
    "<Aliases><Alias><Name>Led</Name><Target>PORTB.0</Target></Alias></Aliases>";

// A sub with every item kind; the start arrow ends at the end block (4).
std::string Blocks() {
  return "<StartBlock>" +
         Item("2", "320", "32",
              Deps(Arrow("3", 384, 104, 384, 160, "<EndItem>4</EndItem><MoveBys><MoveBy>0</MoveBy></MoveBys>"))) +
         "</StartBlock>"
         "<EndBlock>" +
         Item("4", "320", "160") +
         "</EndBlock>"
         "<CallSub>" +
         Item("5", "0", "200", Deps(Arrow("6", 64, 272, 64, 336))) +
         "<Sub>Start</Sub></CallSub>"
         "<Comment>" +
         Item("7", "500", "20") +
         "<comment>Notiz</comment></Comment>"
         "<Assignment>" +
         Item("8", "200", "300", Deps(Arrow("9", 264, 372, 264, 436))) +
         "<Assignment>Led = 1</Assignment></Assignment>"
         "<IfBlock>" +
         Item("10", "600", "300",
              Deps(Arrow("11", 680, 396, 680, 460) + "<BlockConnector>" + Item("12", "0", "0") +
                   "<StartX>760</StartX><StartY>348</StartY><EndX>824</EndX><EndY>412</EndY><ToRight>1</ToRight></"
                   "BlockConnector>")) +
         "<Compare>var0 &lt; 3</Compare></IfBlock>"
         "<Instruction>" +
         Item("13", "800", "100", Deps(Arrow("14", 880, 172, 880, 236))) +
         "<InstructionId>pwm_set</InstructionId><Argument0>1</Argument0><Argument1>var1</Argument1><Result></Result></"
         "Instruction>";
}

std::string File(const std::string& blocks = Blocks(), const std::string& tables = Tables) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Project>" + tables + "<Subs><Sub><Name>Start</Name><Blocks>" +
         blocks + "</Blocks></Sub></Subs></Project>\n";
}

// The text with the n-th element of that name (0 first) removed whole,
// nested elements of the same name included.
std::string Without(const std::string& text, const std::string& name, int n = 0) {
  const std::string open = "<" + name + ">", close = "</" + name + ">";
  size_t from = 0;
  for (int i = 0; i <= n; ++i) {
    from = text.find(open, i ? from + 1 : 0);
    if (from == std::string::npos) ADD_FAILURE() << "no " << open;
    if (from == std::string::npos) return text;
  }
  int depth = 0;
  for (size_t at = from;;) {
    size_t o = text.find(open, at + 1), c = text.find(close, at + 1);
    if (o < c) {
      ++depth;
      at = o;
    } else if (depth--) {
      at = c;
    } else {
      return text.substr(0, from) + text.substr(c + close.size());
    }
  }
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

struct ProjectFileRead : DefaultSettingsTest {
  TempFolder dir;
  std::unique_ptr<Project> project;

  bool Load(const std::string& bytes) {
    WriteFile(dir / "p.pbn", bytes);
    bool ok = false;
    project = std::make_unique<Project>(dir / "p.pbn", &ok);
    return ok;
  }
  std::vector<ChartItem*> Items(int sub = 0) { return CanvasItems(project->subs[sub]); }
};

TEST_F(ProjectFileRead, HandWrittenFileLoads) {
  ASSERT_TRUE(Load(File()));
  ExpectConsistent(*project);
  EXPECT_EQ(project->variables.variableList.size(), 6u);
  ASSERT_EQ(project->subs.size(), 1u);
  Sub* sub = project->subs[0];
  EXPECT_EQ(sub->name, "Start");
  auto items = Items();
  ASSERT_EQ(items.size(), 13u);
  EXPECT_EQ(sub->start, items[0]);
  auto* arrow = static_cast<BlockConnector*>(items[1]);
  EXPECT_EQ(arrow->endItem, items[2]);
  EXPECT_EQ(static_cast<CallSub*>(items[3])->target, sub);
  EXPECT_EQ(static_cast<Comment*>(items[5])->text, "Notiz");
  EXPECT_EQ(static_cast<Assignment*>(items[6])->assignment.GetString(" "), "Led = 1");
  EXPECT_EQ(static_cast<IfBlock*>(items[8])->compare.GetString(" "), "var0 < 3");
  auto* no = static_cast<BlockConnector*>(items[10]);
  EXPECT_TRUE(no->toRight);
  EXPECT_EQ(no->parts.size(), 2u);
  auto* pwm = static_cast<Instruction*>(items[11]);
  EXPECT_STREQ(pwm->info->routineName, "pwm_set");
  EXPECT_EQ(pwm->arguments[1], "var1");
  // Sizes come from the kinds; a connector's rectangle from its route.
  EXPECT_EQ(items[8]->canvasItem.w, 160);
  EXPECT_EQ(items[8]->canvasItem.h, 96);
  EXPECT_EQ(arrow->canvasItem.x, 379);
  EXPECT_EQ(arrow->canvasItem.y, 99);
  EXPECT_EQ(arrow->canvasItem.h, 66);
}

TEST_F(ProjectFileRead, LeavesAndElementsInAnyOrderAndAttributesIgnored) {
  ASSERT_TRUE(Load(File()));
  std::string expected = Describe(*project);
  std::string shuffled = File();
  shuffled = Replace(shuffled, "<Id>2</Id><X>320</X><Y>32</Y>", "<Y>32</Y><Id>2</Id><X>320</X>");
  shuffled =
      Replace(shuffled, "<StartX>384</StartX><StartY>104</StartY><EndX>384</EndX><EndY>160</EndY><EndItem>4</EndItem>",
              "<EndItem>4</EndItem><EndY>160</EndY><EndX>384</EndX><StartY>104</StartY><StartX>384</StartX>");
  shuffled = Replace(
      shuffled,
      "<InstructionId>pwm_set</InstructionId><Argument0>1</Argument0><Argument1>var1</Argument1><Result></Result>",
      "<Result/><Argument1>var1</Argument1><InstructionId>pwm_set</InstructionId><Argument0>1</Argument0>");
  // The table after the subs, its lists reversed.
  shuffled = Replace(shuffled, Tables, "");
  shuffled = Replace(shuffled, "</Subs>",
                     "</Subs><Aliases><Alias><Target>PORTB.0</Target><Name>Led</Name></Alias></Aliases>"
                     "<ADCs><ADC>ADC0</ADC></ADCs><Pins><Pin>PIND.2</Pin></Pins><Ports><Port>PORTB.0</Port></Ports>"
                     "<Integers><Integer>var0</Integer><Integer>var1</Integer></Integers>");
  shuffled = Replace(shuffled, "<Project>", "<Project version=\"2\" xmlns:x=\"urn:x\">");
  shuffled = Replace(shuffled, "<EndBlock>", "<EndBlock farbe='rot'>");
  shuffled = Replace(shuffled, "<Name>Start</Name><Blocks>", "<Blocks>");
  shuffled = Replace(shuffled, "</Blocks></Sub>", "</Blocks><Name>Start</Name></Sub>");
  ASSERT_TRUE(Load(shuffled));
  EXPECT_EQ(Describe(*project), expected);
  // Line ends of another system read the same.
  std::string crlf;
  for (char c : File()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ASSERT_TRUE(Load(crlf));
  EXPECT_EQ(Describe(*project), expected);
}

TEST_F(ProjectFileRead, EachMandatoryElementMissingFails) {
  const std::pair<const char*, int> mandatory[] = {
      {"Integers", 0},  {"Ports", 0},     {"Pins", 0},    {"ADCs", 0},
      {"Aliases", 0},   {"Subs", 0},      {"Name", 1},    {"Target", 0},
      {"Blocks", 0},    {"Id", 0},        {"X", 1},       {"Y", 2},
      {"Sub", 1},       {"comment", 0},   {"Compare", 0}, {"InstructionId", 0},
      {"Argument0", 0}, {"Argument1", 0}, {"Result", 0},  {"StartX", 2},
      {"StartY", 0},    {"EndX", 3},      {"EndY", 0},    {"ToRight", 4},
      {"ChartItem", 3},
  };
  ASSERT_TRUE(Load(File()));
  for (auto [name, n] : mandatory) EXPECT_FALSE(Load(Without(File(), name, n))) << name << " #" << n;
  // The Assignment leaf inside the Assignment element.
  EXPECT_FALSE(Load(Replace(File(), "<Assignment>Led = 1</Assignment>", "")));
  EXPECT_FALSE(Load("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Projekt></Projekt>"));
  // The optional ones may go.
  EXPECT_TRUE(Load(Without(File(), "EndItem")));
  EXPECT_EQ(static_cast<BlockConnector*>(Items()[1])->endItem, nullptr);
  EXPECT_TRUE(Load(Without(File(), "MoveBys")));
}

TEST_F(ProjectFileRead, ExtraElementsFail) {
  EXPECT_FALSE(Load(Replace(File(), "<Id>2</Id>", "<Id>2</Id><Farbe>rot</Farbe>")));
  EXPECT_FALSE(Load(Replace(File(), "<Result></Result>", "<Result></Result><Argument2>3</Argument2>")));
  EXPECT_FALSE(Load(Replace(File(), "</Blocks>", "<Raute>" + Item("20", "0", "0") + "</Raute></Blocks>")));
  EXPECT_FALSE(Load(Replace(File(), "<Sub>Start</Sub>", "<Sub>Start</Sub><Sub>Start</Sub>")));
  EXPECT_FALSE(Load(Replace(File(), "<ToRight>0</ToRight>", "<ToRight>0</ToRight><ToRight>0</ToRight>")));
  EXPECT_FALSE(Load(Replace(File(), "<MoveBy>0</MoveBy>", "<MoveBy>0</MoveBy><Move>1</Move>")));
  EXPECT_FALSE(Load(Replace(File(), "</Subs>", "</Subs><Subs></Subs>")));
  EXPECT_FALSE(Load(Replace(File(), "</Project>", "</Project><!-- zu viel -->") + "<Project/>"));
  // A third arrow in an if block.
  std::string third = Replace(File(), "</DependendItems></ChartItem><Compare>",
                              Arrow("15", 680, 396, 680, 460) + "</DependendItems></ChartItem><Compare>");
  EXPECT_FALSE(Load(third));
  EXPECT_FALSE(Load(Replace(File(), "<Id>4</Id>", "<Id><b>4</b></Id>")));
  EXPECT_FALSE(Load(Replace(File(), "<Id>4</Id>", "<Id>4 </Id>")));
  EXPECT_FALSE(Load(Replace(File(), "<Id>4</Id>", "<Id>0x4</Id>")));
}

TEST_F(ProjectFileRead, NumbersPlugsAndMoveBys) {
  // Two items with one number: the arrow plugs into the first of them.
  ASSERT_TRUE(Load(Replace(File(), "<Id>7</Id>", "<Id>4</Id>")));
  EXPECT_EQ(static_cast<BlockConnector*>(Items()[1])->endItem, Items()[2]);
  ASSERT_TRUE(Load(Replace(
      File(), "<EndBlock>" + Item("4", "320", "160") + "</EndBlock>",
      "<EndBlock>" + Item("99", "320", "160") + "</EndBlock><EndBlock>" + Item("4", "500", "500") + "</EndBlock>")));
  EXPECT_EQ(static_cast<BlockConnector*>(Items()[1])->endItem, Items()[3]);
  EXPECT_EQ(static_cast<BlockConnector*>(Items()[1])->endX, 384);  // the end point stays as saved
  // An unknown number or 0 leaves the arrow loose.
  for (const char* unknown : {"<EndItem>42</EndItem>", "<EndItem>0</EndItem>", "<EndItem>-4</EndItem>"}) {
    ASSERT_TRUE(Load(Replace(File(), "<EndItem>4</EndItem>", unknown))) << unknown;
    EXPECT_EQ(static_cast<BlockConnector*>(Items()[1])->endItem, nullptr);
    EXPECT_TRUE(Items()[2]->incomingConnectors.empty());
  }
  // Route offsets: read in route order, the surplus dropped, the missing
  // ones left at the route's defaults.
  std::string up =
      Replace(File(), "<EndX>384</EndX><EndY>160</EndY><EndItem>4</EndItem><MoveBys><MoveBy>0</MoveBy></MoveBys>",
              "<EndX>200</EndX><EndY>20</EndY><MoveBys><MoveBy>5</MoveBy><MoveBy>40</MoveBy><MoveBy>-7</MoveBy>"
              "<MoveBy>1</MoveBy><MoveBy>2</MoveBy><MoveBy>3</MoveBy><MoveBy>4</MoveBy></MoveBys>");
  ASSERT_TRUE(Load(up));
  auto* arrow = static_cast<BlockConnector*>(Items()[1]);
  std::vector<int> moves;
  for (auto& p : arrow->parts) moves.push_back(p.moveBy);
  EXPECT_EQ(moves, (std::vector<int>{5, 40, -7, 1, 2}));
  ASSERT_TRUE(Load(Replace(up,
                           "<MoveBy>5</MoveBy><MoveBy>40</MoveBy><MoveBy>-7</MoveBy><MoveBy>1</MoveBy><MoveBy>2</"
                           "MoveBy><MoveBy>3</MoveBy><MoveBy>4</MoveBy>",
                           "<MoveBy>9</MoveBy>")));
  moves.clear();
  for (auto& p : static_cast<BlockConnector*>(Items()[1])->parts) moves.push_back(p.moveBy);
  EXPECT_EQ(moves, (std::vector<int>{9, 32, 0, -32, 0}));
  // The rectangle follows the offsets.
  auto points = static_cast<BlockConnector*>(Items()[1])->RoutePoints();
  int minX = points[0].x;
  for (auto& p : points) minX = std::min(minX, p.x);
  EXPECT_EQ(Items()[1]->canvasItem.x, minX - 5);
}

TEST_F(ProjectFileRead, TablesAndNamesAsRead) {
  // An alias listed before its target alias is dropped; texts are parsed
  // against the file's own table, not the settings.
  std::string tables =
      "<Integers><Integer>zahl</Integer></Integers><Ports/><Pins/><ADCs/>"
      "<Aliases><Alias><Name>B</Name><Target>A</Target></Alias>"
      "<Alias><Name>A</Name><Target>zahl</Target></Alias>"
      "<Alias><Name>C</Name><Target>A</Target></Alias></Aliases>";
  std::string blocks = Replace(Blocks(), "Led = 1", "C = 7");
  blocks = Replace(blocks, "var0 &lt; 3", "var0 &lt; 3 ");
  ASSERT_TRUE(Load(File(blocks, tables)));
  EXPECT_EQ(project->variables.GetOperand("B"), nullptr);
  EXPECT_EQ(project->variables.GetOperand("C")->aliasTarget, project->variables.GetOperand("zahl"));
  EXPECT_EQ(static_cast<Assignment*>(Items()[6])->assignment.GetString(" "), "C = 7");
  // var0 is not in this table: the condition keeps only its valid parts.
  EXPECT_EQ(static_cast<IfBlock*>(Items()[8])->compare.GetString(" "), "< 3");
  // A sub name and a call with an empty name.
  ASSERT_TRUE(Load(Replace(File(), "<Sub>Start</Sub>", "<Sub></Sub>")));
  EXPECT_EQ(static_cast<CallSub*>(Items()[3])->target, nullptr);
}

TEST_F(ProjectFileRead, SeveralStartBlocksTheLastOneWins) {
  ASSERT_TRUE(Load(Replace(File(), "<EndBlock>", "<StartBlock>" + Item("30", "0", "0") + "</StartBlock><EndBlock>")));
  EXPECT_EQ(project->subs[0]->start, Items()[2]);
}

TEST_F(ProjectFileRead, ConnectorDirectlyInBlocksIsDropped) {
  ASSERT_TRUE(Load(Replace(File(), "<EndBlock>", Arrow("40", 0, 0, 384, 160, "<EndItem>4</EndItem>") + "<EndBlock>")));
  ExpectConsistent(*project);
  auto items = Items();
  EXPECT_EQ(items.size(), 13u);
  EXPECT_EQ(items[2]->incomingConnectors.size(), 1u);
  // So the next save does not hold it either.
  ASSERT_TRUE(project->WriteXML(dir / "again.pbn"));
  EXPECT_EQ(ReadFile(dir / "again.pbn").find("<Id>40</Id>"), std::string::npos);
}

TEST_F(ProjectFileRead, FilesTheProgramCannotUseFail) {
  // No sub at all.
  EXPECT_FALSE(Load("<Project>" + Tables + "<Subs></Subs></Project>"));
  // A sub without a start block.
  EXPECT_FALSE(Load(File(Without(Blocks(), "StartBlock"))));
  // A block among an item's arrows, alone or after an arrow.
  EXPECT_FALSE(Load(Replace(
      File(), "<DependendItems><BlockConnector>" + Item("6", "0", "0"),
      "<DependendItems><EndBlock>" + Item("50", "0", "0") + "</EndBlock><BlockConnector>" + Item("6", "0", "0"))));
  EXPECT_FALSE(Load(Replace(File(), "<ToRight>1</ToRight></BlockConnector></DependendItems>",
                            "<ToRight>1</ToRight></BlockConnector><Comment>" + Item("51", "0", "0") +
                                "<comment>x</comment></Comment></DependendItems>")));
  // An arrow owning an arrow.
  EXPECT_FALSE(Load(Replace(File(), Item("6", "0", "0"), Item("6", "0", "0", Deps(Arrow("52", 0, 0, 0, 64))))));
  // An empty list of arrows.
  EXPECT_FALSE(Load(Replace(File(), "<Comment>" + Item("7", "500", "20"),
                            "<Comment>" + Item("7", "500", "20", "<DependendItems></DependendItems>"))));
  // Arrows ending at items that take none: a start block, a comment, an arrow.
  for (const char* target : {"2", "7", "6"})
    EXPECT_FALSE(Load(Replace(File(), "<EndItem>4</EndItem>", std::string("<EndItem>") + target + "</EndItem>")))
        << target;
  // Positions and offsets far off any chart (their sums would overflow).
  EXPECT_TRUE(Load(Replace(File(), "<X>500</X>", "<X>16777216</X>")));
  EXPECT_TRUE(Load(Replace(File(), "<X>500</X>", "<X>-16777216</X>")));
  EXPECT_FALSE(Load(Replace(File(), "<X>500</X>", "<X>16777217</X>")));
  EXPECT_FALSE(Load(Replace(File(), "<Y>20</Y>", "<Y>-2147483648</Y>")));
  EXPECT_FALSE(Load(Replace(File(), "<StartX>384</StartX>", "<StartX>2147483647</StartX>")));
  EXPECT_FALSE(Load(Replace(File(), "<EndY>160</EndY>", "<EndY>99999999999</EndY>")));
  EXPECT_FALSE(Load(Replace(File(), "<MoveBy>0</MoveBy>", "<MoveBy>-20000000</MoveBy>")));
  // An instruction that is not in the catalogue.
  EXPECT_FALSE(Load(Replace(File(), "pwm_set", "pwm_sett")));
  EXPECT_FALSE(Load(Replace(File(), "pwm_set", "PWM_SET")));
  // None of these is half loaded into a project that a caller could keep
  // using: what was read is freed (the sanitizer run checks for leaks).
}

TEST_F(ProjectFileRead, BrokenAndMissingFiles) {
  EXPECT_FALSE(Load(""));
  EXPECT_FALSE(Load(File().substr(0, File().size() / 2)));
  EXPECT_FALSE(Load(File().substr(0, File().size() - 3)));
  EXPECT_FALSE(Load("kein XML"));
  bool ok = true;
  Project missing(dir / "fehlt.pbn", &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(missing.fileName, dir / "fehlt.pbn");
  // Without an ok pointer nothing is read.
  WriteFile(dir / "p.pbn", File());
  Project unread(dir / "p.pbn", nullptr);
  EXPECT_TRUE(unread.subs.empty());
}

TEST_F(ProjectFileRead, FileLengthMultipleOfTheReadBlock) {
  for (size_t length : {4096u, 8192u, 65536u}) {
    std::string padded = File() + "<!--" + std::string(length - File().size() - 8, 'x') + "-->\n";
    ASSERT_EQ(padded.size(), length);
    EXPECT_TRUE(Load(padded)) << length;
  }
}

// A load reads no more than the file held when it was opened, takes nothing
// that another program changed meanwhile, and running out of memory is a
// failed load like any other.
TEST_F(ProjectFileRead, LoadsStayWithinBounds) {
  const std::string whole = File();
  const size_t cut = whole.rfind("</Project>");
  std::string start = whole.substr(0, cut);
  const std::string comment = "<!--" + std::string(1000, 'x') + "-->";
  while (start.size() < (64u << 20)) start += comment;
  struct Writer {
    const char* name;
    std::string bytes;
    off_t at;  // -1: appended
    bool leavesProject = true;
  };
  // The first completes the file, but only what was there at the start
  // counts, and that was no project yet; the second changes bytes already
  // read, without a lock, and leaves a project; the third damages bytes not
  // yet read, so that the parser fails first.
  for (const Writer& w : {Writer{"completes the file", whole.substr(cut), -1},
                          Writer{"changes bytes already read", "<Project>", off_t(whole.find("<Project>"))},
                          Writer{"damages bytes not yet read", std::string(1, '\0'), off_t(start.size() / 2), false}}) {
    SCOPED_TRACE(w.name);
    WriteFile(dir / "p.pbn", w.at < 0 ? start : start + whole.substr(cut));
    pid_t writer = realfaults::WriteWhenRead(dir / "p.pbn", w.bytes, w.at);
    ASSERT_GT(writer, 0);
    bool ok = true;
    std::string failure;
    Project changing(dir / "p.pbn", &ok, &failure);
    EXPECT_FALSE(ok);
    EXPECT_EQ(failure, "Die Datei wurde verändert, während sie gelesen wurde.");
    EXPECT_EQ(realfaults::WaitFor(writer), 0) << "the writer did not write";
    ok = false;
    Project complete(dir / "p.pbn", &ok);
    EXPECT_EQ(ok, w.leavesProject);
  }

  if (realfaults::UnderAddressSanitizer) GTEST_SKIP() << "no memory limit under ASan";
  std::string huge = "<Project>";
  for (int i = 0; i < 10'000'000; ++i) huge += "<a/>";
  WriteFile(dir / "gross.pbn", huge + "</Project>");
  realfaults::InChild([&] {
    realfaults::LimitMemory(256 << 20);
    bool loaded = true;
    std::string failure;
    Project big(dir / "gross.pbn", &loaded, &failure);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(failure, "Der Arbeitsspeicher reicht nicht aus.");
  });
}

TEST_F(ProjectFileRead, FailedLoadKeepsSubsReadBeforeTheError) {
  std::string two =
      Replace(File(), "</Sub></Subs>", "</Sub><Sub><Name>Zwei</Name><Blocks><Kaputt/></Blocks></Sub></Subs>");
  EXPECT_FALSE(Load(two));
  ASSERT_EQ(project->subs.size(), 1u);
  EXPECT_EQ(project->subs[0]->name, "Start");
  // Call targets are not fixed up after a failure.
  EXPECT_EQ(static_cast<CallSub*>(Items()[3])->target, nullptr);
}

}  // namespace

namespace {

// The fuzz target starts from these files; each must load and save again.
TEST_F(ProjectFileRead, FuzzSeedFilesAreValidProjects) {
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(PELLBURNE_SOURCE_DIR "/tests/fuzz/corpus/projectfile")) {
    ++files;
    ASSERT_TRUE(Load(ReadFile(entry.path().string()))) << entry.path();
    ExpectConsistent(*project);
    EXPECT_TRUE(project->WriteXML(dir / "again.pbn"));
  }
  EXPECT_GE(files, 3);
}

}  // namespace
