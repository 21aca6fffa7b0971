// Reading files as they come from other systems.
#include "../language/DefaultSettings.h"
#include "ProjectFileTestUtil.h"
#include "support/Files.h"
#include "document/XmlReader.h"

#include <gtest/gtest.h>

namespace {

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string LeafText(const std::string& path) {
  XMLReader r(path);
  r.OpenTag("P");
  std::string text;
  r.TextTag("T", &text);
  r.CloseTag("P");
  return text;
}

// A file saved with CR LF line ends carries a text's own CR LF as CR CR LF.
// Read as text, that is one line break, as is a lone CR; an escaped CR stays.
TEST(XmlReaderLineEnds, CrLfPairsReadAsLineFeedsBeforeParsing) {
  TempFolder dir;
  WriteFile(dir / "a.xml", "<P>\r\n <T>a\r\r\nb\rc\r\n\r\nd&#13;\r\ne</T>\r\n</P>\r\n");
  EXPECT_EQ(LeafText(dir / "a.xml"), "a\nb\nc\n\nd\r\ne");
}

TEST(XmlReaderLineEnds, CrLfPairSplitAcrossReadBlocks) {
  TempFolder dir;
  // The pair CR LF of "x CR CR LF y" lands on each side of block borders
  // of several sizes.
  for (size_t border : {4096u, 65536u, 131072u})
    for (size_t firstCr : {border - 3, border - 2, border - 1, border}) {
      std::string head = "<P><!--";
      std::string before = "--><T>x";
      std::string body =
          head + std::string(firstCr - head.size() - before.size(), 'p') + before + "\r\r\ny</T></P>\r\n";
      ASSERT_EQ(body.find('\r'), firstCr);
      WriteFile(dir / "b.xml", body);
      EXPECT_EQ(LeafText(dir / "b.xml"), "x\ny") << border << " " << firstCr;
    }
}

struct ProjectFileLineEnds : DefaultSettingsTest {
  TempFolder dir;
};

TEST_F(ProjectFileLineEnds, CommentOfACrLfFileKeepsSingleLineBreaks) {
  std::string file =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Project>\n<Integers>\n</Integers>\n<Ports>\n</Ports>\n"
      "<Pins>\n</Pins>\n<ADCs>\n</ADCs>\n<Aliases>\n</Aliases>\n<Subs>\n<Sub>\n<Name>Start</Name>\n<Blocks>\n"
      "<StartBlock>\n<ChartItem>\n<Id>2</Id>\n<X>0</X>\n<Y>0</Y>\n</ChartItem>\n</StartBlock>\n"
      "<Comment>\n<ChartItem>\n<Id>3</Id>\n<X>0</X>\n<Y>100</Y>\n</ChartItem>\n"
      "<comment>Zeile 1\r\nZeile 2</comment>\n</Comment>\n</Blocks>\n</Sub>\n</Subs>\n</Project>\n";
  WriteFile(dir / "p.pbn", WithCrLf(file));
  bool ok = false;
  Project project(dir / "p.pbn", &ok);
  ASSERT_TRUE(ok);
  std::vector<ChartItem*> items = CanvasItems(project.subs[0]);
  ASSERT_EQ(items.size(), 2u);
  auto* note = dynamic_cast<Comment*>(items[1]);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->text, "Zeile 1\nZeile 2");
}

}  // namespace
