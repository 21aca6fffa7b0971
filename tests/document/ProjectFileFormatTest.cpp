// The exact text of a saved project, and saving that fails.
#include "../language/DefaultSettings.h"
#include "ProjectFileTestUtil.h"
#include "TestFiles.h"

#include <gtest/gtest.h>


using testfiles::ReadFile;
using testfiles::TempDir;
using testfiles::WriteFile;

namespace {

struct ProjectFileFormat : DefaultSettingsTest {
  TempDir dir;
  void SetUp() override {
    DefaultSettingsTest::SetUp();
    theSettings.integerVariables = {"var0"};
    theSettings.ioPorts = {"PORTB.0"};
    theSettings.ioPins = {};
    theSettings.adcChannels = {"ADC0"};
    theSettings.aliases = {{"Led", "PORTB.0"}};
  }
};

const char ExpectedFile[] = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Project>
 <Integers>
  <Integer>var0</Integer>
 </Integers>
 <Ports>
  <Port>PORTB.0</Port>
 </Ports>
 <Pins>
 </Pins>
 <ADCs>
  <ADC>ADC0</ADC>
 </ADCs>
 <Aliases>
  <Alias>
   <Name>Led</Name>
   <Target>PORTB.0</Target>
  </Alias>
 </Aliases>
 <Subs>
  <Sub>
   <Name>Start</Name>
   <Blocks>
    <StartBlock>
     <ChartItem>
      <Id>2</Id>
      <X>320</X>
      <Y>32</Y>
      <DependendItems>
       <BlockConnector>
        <ChartItem>
         <Id>3</Id>
         <X>379</X>
         <Y>99</Y>
        </ChartItem>
        <StartX>384</StartX>
        <StartY>104</StartY>
        <EndX>384</EndX>
        <EndY>160</EndY>
        <EndItem>4</EndItem>
        <MoveBys>
         <MoveBy>0</MoveBy>
        </MoveBys>
        <ToRight>0</ToRight>
       </BlockConnector>
      </DependendItems>
     </ChartItem>
    </StartBlock>
    <IfBlock>
     <ChartItem>
      <Id>4</Id>
      <X>304</X>
      <Y>160</Y>
      <DependendItems>
       <BlockConnector>
        <ChartItem>
         <Id>5</Id>
         <X>379</X>
         <Y>251</Y>
        </ChartItem>
        <StartX>384</StartX>
        <StartY>256</StartY>
        <EndX>384</EndX>
        <EndY>320</EndY>
        <MoveBys>
         <MoveBy>0</MoveBy>
        </MoveBys>
        <ToRight>0</ToRight>
       </BlockConnector>
       <BlockConnector>
        <ChartItem>
         <Id>6</Id>
         <X>459</X>
         <Y>203</Y>
        </ChartItem>
        <StartX>464</StartX>
        <StartY>208</StartY>
        <EndX>528</EndX>
        <EndY>272</EndY>
        <MoveBys>
         <MoveBy>0</MoveBy>
         <MoveBy>0</MoveBy>
        </MoveBys>
        <ToRight>1</ToRight>
       </BlockConnector>
      </DependendItems>
     </ChartItem>
     <Compare>var0 &lt; 10</Compare>
    </IfBlock>
    <Assignment>
     <ChartItem>
      <Id>7</Id>
      <X>600</X>
      <Y>40</Y>
      <DependendItems>
       <BlockConnector>
        <ChartItem>
         <Id>8</Id>
         <X>659</X>
         <Y>107</Y>
        </ChartItem>
        <StartX>664</StartX>
        <StartY>112</StartY>
        <EndX>664</EndX>
        <EndY>176</EndY>
        <MoveBys>
         <MoveBy>0</MoveBy>
        </MoveBys>
        <ToRight>0</ToRight>
       </BlockConnector>
      </DependendItems>
     </ChartItem>
     <Assignment>Led = 1</Assignment>
    </Assignment>
    <Instruction>
     <ChartItem>
      <Id>9</Id>
      <X>600</X>
      <Y>200</Y>
      <DependendItems>
       <BlockConnector>
        <ChartItem>
         <Id>10</Id>
         <X>675</X>
         <Y>267</Y>
        </ChartItem>
        <StartX>680</StartX>
        <StartY>272</StartY>
        <EndX>680</EndX>
        <EndY>336</EndY>
        <MoveBys>
         <MoveBy>0</MoveBy>
        </MoveBys>
        <ToRight>0</ToRight>
       </BlockConnector>
      </DependendItems>
     </ChartItem>
     <InstructionId>adc_read</InstructionId>
     <Argument0>ADC0</Argument0>
     <Result>var0</Result>
    </Instruction>
    <CallSub>
     <ChartItem>
      <Id>11</Id>
      <X>0</X>
      <Y>400</Y>
      <DependendItems>
       <BlockConnector>
        <ChartItem>
         <Id>12</Id>
         <X>59</X>
         <Y>467</Y>
        </ChartItem>
        <StartX>64</StartX>
        <StartY>472</StartY>
        <EndX>64</EndX>
        <EndY>536</EndY>
        <MoveBys>
         <MoveBy>0</MoveBy>
        </MoveBys>
        <ToRight>0</ToRight>
       </BlockConnector>
      </DependendItems>
     </ChartItem>
     <Sub>Start</Sub>
    </CallSub>
    <EndBlock>
     <ChartItem>
      <Id>13</Id>
      <X>320</X>
      <Y>600</Y>
     </ChartItem>
    </EndBlock>
    <Comment>
     <ChartItem>
      <Id>14</Id>
      <X>-40</X>
      <Y>8</Y>
     </ChartItem>
     <comment>Grüße &amp; &lt;Tags&gt;
zweite Zeile</comment>
    </Comment>
   </Blocks>
  </Sub>
 </Subs>
</Project>
)";

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
  EXPECT_EQ(ReadFile(dir / "klein.pbn"), ExpectedFile);

  // And the file reads back into the same project.
  WriteFile(dir / "von-hand.pbn", ExpectedFile);
  bool ok = false;
  Project loaded(dir / "von-hand.pbn", &ok);
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
  testfiles::SmallFileSystem small(dir / "voll", "32k");
  if (!small.mounted) GTEST_SKIP() << "no tmpfs mount here; the file-size limit test covers write errors";
  std::string target = small.path + "/p.pbn";
  WriteFile(target, old);
  auto p = BigProject(1000);
  ExpectFailedSave(target, *p);
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small.path), {}), 1);
}

TEST_F(ProjectSaveFailure, FileSizeLimit) {
  std::string target = dir / "p.pbn";
  WriteFile(target, old);
  auto p = BigProject(1000);
  bool saveResult = testfiles::WithFileSizeLimit(20 * 1000, [&] { return p->WriteXML(target); });
  EXPECT_FALSE(saveResult);
  EXPECT_TRUE(p->fileName.empty());
  EXPECT_EQ(ReadFile(target), old);
  EXPECT_EQ(dir.Listing(), "p.pbn\n");
  // With room again the same save works and replaces the file.
  ASSERT_TRUE(p->WriteXML(target));
  EXPECT_EQ(p->fileName, target);
  bool ok = false;
  Project loaded(target, &ok);
  EXPECT_TRUE(ok);
}

} // namespace
