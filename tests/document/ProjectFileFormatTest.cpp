// The exact text of a saved project, and saving that fails.
#include "../language/DefaultSettings.h"
#include "ProjectFileTestUtil.h"
#include "support/Files.h"
#include "support/RealFaults.h"

#include <gtest/gtest.h>

namespace {

struct ProjectFileFormat : DefaultSettingsTest {
  TempFolder dir;
  void SetUp() override {
    DefaultSettingsTest::SetUp();
    theSettings.integerVariables = {"var0"};
    theSettings.ioPorts = {"PORTB.0"};
    theSettings.ioPins = {};
    theSettings.adcChannels = {"ADC0"};
    theSettings.aliases = {{"Led", "PORTB.0"}};
  }
};

// The file of the project below, byte for byte; the project-file fuzz target
// starts from it too.
const std::string ExpectedFile = PELLBURNE_SOURCE_DIR "/tests/fuzz/corpus/projectfile/small-project.pbn";

TEST_F(ProjectFileFormat, SmallProjectGivesExactlyThisFile) {
  Project p;
  Sub* sub = p.AddChart();
  auto* test = new IfBlock(sub, 304, 160);
  test->compare = ParsedCompare(p.variables, "var0<10");
  static_cast<BlockConnector*>(sub->start->dependent1)->ConnectTo(test);
  auto* set = new Assignment(sub, 600, 40);
  set->assignment = ParsedAssignment(p.variables, "Led=1");
  auto* adc = new Instruction(sub, 600, 200, &Instruction::InstructionInfos[3]);
  adc->arguments[0] = "ADC0";
  adc->result = "var0";
  auto* call = new CallSub(sub, 0, 400);
  call->target = sub;
  new EndBlock(sub, 320, 600);
  auto* note = new Comment(sub, -40, 8);
  note->text = "Grüße & <Tags>\nzweite Zeile";
  ASSERT_TRUE(p.WriteXML(dir / "klein.pbn"));
  const std::string expected = ReadFile(ExpectedFile);
  ASSERT_FALSE(expected.empty()) << "missing: " << ExpectedFile;
  EXPECT_EQ(ReadFile(dir / "klein.pbn"), expected);

  // And the file reads back into the same project.
  bool ok = false;
  Project loaded(ExpectedFile, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(projectfile::Describe(loaded), projectfile::Describe(p));
}

// A project of `blocks` comments, about 150 bytes of file each.
std::unique_ptr<Project> BigProject(int blocks) {
  auto p = std::make_unique<Project>();
  Sub* sub = p->AddChart();
  for (int i = 0; i < blocks; ++i) new Comment(sub, 0, 100 * i);
  return p;
}

struct ProjectSaveFailure : ProjectFileFormat {
  const std::string old = "<Project>altes Projekt</Project>";
  void ExpectFailedSave(const std::string& target, Project& p) {
    std::string before = p.fileName;
    EXPECT_FALSE(p.WriteXML(target));
    EXPECT_EQ(p.fileName, before);
  }
};

TEST_F(ProjectSaveFailure, MissingFolderAndDirectoryTarget) {
  auto p = BigProject(3);
  p->fileName = "vorher.pbn";
  ExpectFailedSave(dir / "gibt-es-nicht/p.pbn", *p);
  std::filesystem::create_directory(dir / "ordner.pbn");
  ExpectFailedSave(dir / "ordner.pbn", *p);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "ordner.pbn"));
  EXPECT_EQ(dir.Listing(), "ordner.pbn\n");
}

TEST_F(ProjectSaveFailure, FullFileSystem) {
  realfaults::InChild([&] {
    const std::string folder = dir / "voll";
    if (!realfaults::MountSmallFileSystem(folder, "32k"))
      GTEST_SKIP() << "no tmpfs mount here; the file-size limit test covers write errors";
    std::string target = folder + "/p.pbn";
    WriteFile(target, old);
    auto p = BigProject(1000);
    ExpectFailedSave(target, *p);
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
  });
}

TEST_F(ProjectSaveFailure, FileSizeLimit) {
  std::string target = dir / "p.pbn";
  WriteFile(target, old);
  auto p = BigProject(1000);
  realfaults::InChild([&] {
    realfaults::LimitFileSize(20 * 1000);
    EXPECT_FALSE(p->WriteXML(target));
    EXPECT_TRUE(p->fileName.empty());
  });
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(dir.Listing(), "p.pbn\n");
  // With room again the same save works and replaces the file.
  ASSERT_TRUE(p->WriteXML(target));
  EXPECT_EQ(p->fileName, target);
  bool ok = false;
  Project loaded(target, &ok);
  EXPECT_TRUE(ok);
}

}  // namespace
