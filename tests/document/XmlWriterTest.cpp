#include "document/Comment.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "document/XmlReader.h"
#include "document/XmlWriter.h"
#include "support/Files.h"
#include "support/RealFaults.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

TEST(XmlWriter, WritesDeclarationIndentedLinesAndLeaves) {
  TempFolder dir;
  XMLWriter w(dir / "a.pbn");
  ASSERT_NE(w.file, nullptr);
  w.OpenTag("Project");
  w.TextTag("Id", 3);
  w.TextTag("Neg", -2147483647 - 1);
  w.OpenTag("Subs");
  w.TextTag("Name", std::string("Start"));
  w.TextTag("Empty", std::string());
  w.CloseTag("Subs");
  w.CloseTag("Project");
  ASSERT_TRUE(w.Commit());
  EXPECT_EQ(ReadFile(dir / "a.pbn"), Declaration +
                                         "<Project>\n"
                                         " <Id>3</Id>\n"
                                         " <Neg>-2147483648</Neg>\n"
                                         " <Subs>\n"
                                         "  <Name>Start</Name>\n"
                                         "  <Empty></Empty>\n"
                                         " </Subs>\n"
                                         "</Project>\n");
  EXPECT_EQ(Declaration.size(), 40u);
  EXPECT_EQ(dir.Listing(), "a.pbn\n");  // no temporary file left behind
}

TEST(XmlWriter, IndentationStopsAtThirtyTwoBlanks) {
  TempFolder dir;
  XMLWriter w(dir / "deep.xml");
  for (int i = 0; i < 33; ++i) w.OpenTag("E");
  w.TextTag("L", 1);
  for (int i = 0; i < 33; ++i) w.CloseTag("E");
  ASSERT_TRUE(w.Commit());
  std::string text = ReadFile(dir / "deep.xml");
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u + 33 + 1 + 33);
  EXPECT_EQ(lines[1], "<E>");
  EXPECT_EQ(lines[32], std::string(31, ' ') + "<E>");
  EXPECT_EQ(lines[33], std::string(32, ' ') + "<E>");  // the 33rd stays at 32
  EXPECT_EQ(lines[34], std::string(32, ' ') + "<L>1</L>");
  // The innermost close tag goes one blank left of its open tag, as the
  // indentation cannot count past 32.
  EXPECT_EQ(lines[35], std::string(31, ' ') + "</E>");
  EXPECT_EQ(lines.back(), "</E>");
}

TEST(XmlWriter, EscapesMarkupAndKeepsUtf8) {
  EXPECT_EQ(XMLWriter::Escape("a&b<c>d"), "a&amp;b&lt;c&gt;d");
  EXPECT_EQ(XMLWriter::Escape("&amp;"), "&amp;amp;");
  EXPECT_EQ(XMLWriter::Escape("x]]>y"), "x]]&gt;y");
  EXPECT_EQ(XMLWriter::Escape("\"Grüße\" 'ä'\tß\n€😀"), "\"Grüße\" 'ä'\tß\n€😀");
  EXPECT_EQ(XMLWriter::Escape("a\r\nb"), "a&#13;\nb");
}

TEST(XmlWriter, ReplacesBytesThatXmlCannotCarry) {
  EXPECT_EQ(XMLWriter::Escape(std::string("a\x01"
                                          "b\x1f"
                                          "c\0d",
                                          7)),
            "a?b?c?d");
  EXPECT_EQ(XMLWriter::Escape("Gr\xfc\xdf"
                              "e"),
            "Gr??e");                                   // Latin-1 bytes
  EXPECT_EQ(XMLWriter::Escape("\xc3"), "?");            // cut sequence
  EXPECT_EQ(XMLWriter::Escape("\xc0\xaf"), "??");       // overlong
  EXPECT_EQ(XMLWriter::Escape("\xed\xa0\x80"), "???");  // surrogate
  EXPECT_EQ(XMLWriter::Escape("\xef\xbf\xbe"
                              "x"),
            "???x");                                         // U+FFFE
  EXPECT_EQ(XMLWriter::Escape("\xf4\x90\x80\x80"), "????");  // past U+10FFFF
}

TEST(XmlWriter, EveryTextReadsBackAsWrittenOrSanitized) {
  TempFolder dir;
  const std::vector<std::string> texts = {"a&b<c>d",    "&amp;",    "]]>",       "<![CDATA[x]]>", "Zeile 1\nZeile 2\n",
                                          "  blanks  ", "ÄÖÜäöüß€", "a\r\nb\rc", "tab\there",     "<Sub>Start</Sub>",
                                          "&#65;"};
  {
    XMLWriter w(dir / "t.xml");
    w.OpenTag("T");
    for (auto& t : texts) w.TextTag("S", t);
    w.TextTag("Bad", std::string("x\x02y\xff", 4));
    w.CloseTag("T");
    ASSERT_TRUE(w.Commit());
  }
  XMLReader r(dir / "t.xml");
  r.OpenTag("T");
  for (auto& t : texts) {
    std::string read;
    r.TextTag("S", &read);
    EXPECT_EQ(read, t);
  }
  std::string bad;
  r.TextTag("Bad", &bad);
  EXPECT_EQ(bad, "x?y?");
  r.CloseTag("T");
}

TEST(XmlWriter, WithoutCommitTheOldFileStays) {
  TempFolder dir;
  WriteFile(dir / "p.pbn", "old");
  {
    XMLWriter w(dir / "p.pbn");
    ASSERT_NE(w.file, nullptr);
    w.OpenTag("Project");
    w.CloseTag("Project");
  }
  EXPECT_EQ(ReadFile(dir / "p.pbn"), "old");
  EXPECT_EQ(dir.Listing(), "p.pbn\n");
}

TEST(XmlWriter, ReplacesExistingFileKeepingModeAndLink) {
  TempFolder dir;
  WriteFile(dir / "real.pbn", "old");
  chmod((dir / "real.pbn").c_str(), 0640);
  std::filesystem::create_symlink(dir / "real.pbn", dir / "link.pbn");
  XMLWriter w(dir / "link.pbn");
  w.OpenTag("P");
  w.CloseTag("P");
  ASSERT_TRUE(w.Commit());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.pbn"));
  EXPECT_EQ(ReadFile(dir / "real.pbn"), Declaration + "<P>\n</P>\n");
  struct stat st;
  ASSERT_EQ(stat((dir / "real.pbn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Listing(), "link.pbn\nreal.pbn\n");
}

// A writer filling a file with about `bytes` bytes of leaves.
bool WriteBig(const std::string& path, size_t bytes) {
  XMLWriter w(path);
  if (!w.file) return false;
  w.OpenTag("Big");
  std::string chunk(1000, 'x');
  for (size_t n = 0; n < bytes; n += chunk.size()) w.TextTag("L", chunk);
  w.CloseTag("Big");
  return w.Commit();
}

TEST(XmlWriterFailure, MissingFolderOrDirectoryTargetFails) {
  TempFolder dir;
  EXPECT_FALSE(WriteBig(dir / "nicht/da.pbn", 10));
  XMLWriter w(dir / "nicht/da.pbn");
  EXPECT_EQ(w.file, nullptr);
  w.OpenTag("P");  // harmless without a file
  EXPECT_FALSE(w.Commit());

  std::filesystem::create_directory(dir / "ordner.pbn");
  WriteFile(dir / "ordner.pbn/inhalt", "bleibt");
  EXPECT_FALSE(WriteBig(dir / "ordner.pbn", 10));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "ordner.pbn"));
  EXPECT_EQ(ReadFile(dir / "ordner.pbn/inhalt"), "bleibt");
  EXPECT_EQ(dir.Listing(), "ordner.pbn\n");
}

TEST(XmlWriterFailure, FullFileSystemKeepsOldFile) {
  TempFolder dir;
  realfaults::InChild([&] {
    const std::string folder = dir / "klein";
    if (!realfaults::MountSmallFileSystem(folder, "64k"))
      GTEST_SKIP() << "no tmpfs mount here; the file-size limit test covers write errors";
    std::string target = folder + "/p.pbn";
    WriteFile(target, "altes Projekt");
    EXPECT_FALSE(WriteBig(target, 200 * 1000));
    EXPECT_EQ(ReadFile(target), "altes Projekt");
    size_t entries = std::distance(std::filesystem::directory_iterator(folder), {});
    EXPECT_EQ(entries, 1u);
    EXPECT_TRUE(WriteBig(target, 10 * 1000));  // room enough: saving works again
  });
}

// Running out of memory while the text is made or gathered fails the save
// with the German reason and leaves the old file.
TEST(XmlWriterFailure, RunningOutOfMemoryKeepsOldFile) {
  if (realfaults::UnderAddressSanitizer) GTEST_SKIP() << "no memory limit under ASan";
  TempFolder dir;
  const std::string target = dir / "p.pbn";
  WriteFile(target, "altes Projekt");
  realfaults::InChild([&] {
    Project project;
    Sub* sub = project.AddChart();
    (new Comment(sub, 0, 0))->text.assign(200 << 20, '&');
    realfaults::LimitMemoryGrowth(64 << 20);
    std::string failure;
    EXPECT_FALSE(project.WriteXML(target, &failure));
    EXPECT_EQ(failure, "Der Arbeitsspeicher reicht nicht aus.");
  });
  EXPECT_EQ(ReadFile(target), "altes Projekt");
  EXPECT_EQ(dir.Listing(), "p.pbn\n");
}

TEST(XmlWriterFailure, FileSizeLimitKeepsOldFile) {
  TempFolder dir;
  std::string target = dir / "p.pbn";
  WriteFile(target, "altes Projekt");
  realfaults::InChild([&] {
    realfaults::LimitFileSize(100 * 1000);
    EXPECT_FALSE(WriteBig(target, 300 * 1000));
    EXPECT_TRUE(WriteBig(dir / "q.pbn", 10 * 1000));
  });
  EXPECT_EQ(ReadFile(target), "altes Projekt");
  EXPECT_EQ(dir.Listing(), "p.pbn\nq.pbn\n");
}

}  // namespace
