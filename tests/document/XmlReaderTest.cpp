#include "document/XmlReader.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const std::string Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

// The message of the XMLReaderException that `f` throws; "(none)" when it
// throws nothing.
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const XMLReaderException& e) {
    return e.message;
  }
  return "(none)";
}

struct XmlReaderFile : ::testing::Test {
  TempFolder dir;
  std::string Put(const std::string& body, const std::string& name = "f.xml") {
    WriteFile(dir / name, body);
    return dir / name;
  }
};

TEST_F(XmlReaderFile, ConstructorFailures) {
  EXPECT_EQ(MessageOf([&] { XMLReader r(dir / "fehlt.pbn"); }), "Eingabe/Ausgabe-Fehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(dir.path.string()); }), "Eingabe/Ausgabe-Fehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put("")); }), "Parserfehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put(Declaration)); }), "Parserfehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put(Declaration + "<Project>\n <Subs>\n")); }), "Parserfehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put("<a></b>")); }), "Parserfehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put("<a>\xff</a>")); }), "Parserfehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put("<a/><b/>")); }), "Parserfehler");
  EXPECT_EQ(MessageOf([&] { XMLReader r(Put("<a>&#1;</a>")); }), "Parserfehler");
}

TEST_F(XmlReaderFile, OpenReadAndCloseInAnyOrder) {
  XMLReader r(Put(Declaration + "<P><Y>2</Y><X>1</X><Id>7</Id><Name>Ab c</Name></P>"));
  r.OpenTag("P");
  int id = 0, x = 0, y = 0;
  std::string name;
  r.TextTag("Id", &id);
  r.TextTag("X", &x);
  r.TextTag("Name", &name);
  EXPECT_TRUE(r.GetCurrentHasChild("Y"));
  EXPECT_FALSE(r.GetCurrentHasChild("X"));
  EXPECT_STREQ(r.CurrentFirstChildName(), "Y");
  r.TextTag("Y", &y);
  EXPECT_FALSE(r.CurrentHasChildren());
  EXPECT_EQ(r.CurrentFirstChildName(), nullptr);
  r.CloseTag("P");
  EXPECT_EQ(std::make_tuple(id, x, y, name), std::make_tuple(7, 1, 2, std::string("Ab c")));
  // The tree is empty now; one close too many fails with the empty message.
  EXPECT_FALSE(r.CurrentHasChildren());
  EXPECT_EQ(MessageOf([&] { r.CloseTag("P"); }), "");
  EXPECT_EQ(MessageOf([&] { r.CloseTag("P"); }), "");
}

TEST_F(XmlReaderFile, ListsReadInDocumentOrder) {
  XMLReader r(Put("<L><I>a</I><J>x</J><I>b</I><J>y</J><I>c</I></L>"));
  r.OpenTag("L");
  std::string s;
  r.TextTag("I", &s);
  EXPECT_EQ(s, "a");
  r.TextTag("J", &s);
  EXPECT_EQ(s, "x");
  r.TextTag("J", &s);
  EXPECT_EQ(s, "y");
  r.TextTag("I", &s);
  EXPECT_EQ(s, "b");
  r.TextTag("I", &s);
  EXPECT_EQ(s, "c");
  EXPECT_EQ(MessageOf([&] { r.TextTag("I", &s); }), "Konnte Tag für das Texttag nicht finden");
  r.CloseTag("L");
}

TEST_F(XmlReaderFile, LongListsSearchByNameLikeShortOnes) {
  // Enough children for the per-name index; the names interleave so that
  // searches skip read and unread entries of other names.
  std::string body = "<L>";
  for (int i = 0; i < 200; ++i) {
    const std::string name = i % 3 ? "A" : "B";
    body.append("<" + name + ">").append(std::to_string(i)).append("</" + name + ">");
  }
  body += "<E><F>1</F></E></L>";
  XMLReader r(Put(body));
  r.OpenTag("L");
  std::vector<int> as, bs;
  while (r.GetCurrentHasChild("B") || r.GetCurrentHasChild("A")) {
    int v = -1;
    if (r.GetCurrentHasChild("B") && (bs.size() % 2 == 0 || !r.GetCurrentHasChild("A"))) {
      r.TextTag("B", &v);
      bs.push_back(v);
    } else {
      r.TextTag("A", &v);
      as.push_back(v);
    }
  }
  ASSERT_EQ(as.size() + bs.size(), 200u);
  for (size_t i = 1; i < as.size(); ++i) EXPECT_LT(as[i - 1], as[i]);
  for (size_t i = 1; i < bs.size(); ++i) EXPECT_LT(bs[i - 1], bs[i]);
  EXPECT_STREQ(r.CurrentFirstChildName(), "E");
  EXPECT_EQ(MessageOf([&] { r.CloseTag("L"); }),
            "Ein Tag wurde geschlossen, obwohl nicht alle Kindelemente eingelesen wurden");
}

TEST_F(XmlReaderFile, ElementErrors) {
  auto open = [&] {
    auto r =
        std::make_unique<XMLReader>(Put("<P><Leaf>1</Leaf><Box><In>2</In></Box><Box2><Deep><X/></Deep></Box2></P>"));
    r->OpenTag("P");
    return r;
  };
  std::string s;
  int n;
  EXPECT_EQ(MessageOf([&] { open()->OpenTag("Fehlt"); }), "Konnte kein schließendes Tag für das geöffnete Tag finden");
  EXPECT_EQ(MessageOf([&] { open()->OpenTag("p"); }), "Konnte kein schließendes Tag für das geöffnete Tag finden");
  EXPECT_EQ(MessageOf([&] { open()->TextTag("Fehlt", &s); }), "Konnte Tag für das Texttag nicht finden");
  EXPECT_EQ(MessageOf([&] { open()->TextTag("Fehlt", &n); }), "Konnte Tag für das Texttag nicht finden");
  EXPECT_EQ(MessageOf([&] { open()->TextTag("Box", &s); }), "Texttag mit Kindelementen");
  EXPECT_EQ(MessageOf([&] { open()->TextTag("Box", &n); }), "Texttag mit Kindelementen");
  EXPECT_EQ(MessageOf([&] { open()->CloseTag("P"); }),
            "Ein Tag wurde geschlossen, obwohl nicht alle Kindelemente eingelesen wurden");
  EXPECT_EQ(MessageOf([&] {
              auto r = open();
              r->OpenTag("Box");
              r->TextTag("In", &n);
              r->CloseTag("Box");
              r->TextTag("Leaf", &n);
              r->OpenTag("Box2");
              r->OpenTag("Deep");
              r->OpenTag("X");
              r->CloseTag("X");
              r->CloseTag("Deep");
              r->CloseTag("Box2");
              r->CloseTag("P");
            }),
            "(none)");
  // An element must be opened again after it was closed.
  EXPECT_EQ(MessageOf([&] {
              auto r = open();
              r->OpenTag("Box");
              r->TextTag("In", &n);
              r->CloseTag("Box");
              r->OpenTag("Box");
            }),
            "Konnte kein schließendes Tag für das geöffnete Tag finden");
}

TEST_F(XmlReaderFile, NumberLeavesFollowStrtol) {
  struct Case {
    const char* text;
    int value;
  };
  const Case good[] = {{" 12", 12},
                       {"+7", 7},
                       {"-3", -3},
                       {"", 0},
                       {"\n\t 5", 5},
                       {"007", 7},
                       {"2147483647", 2147483647},
                       {"99999999999999999999", 2147483647},
                       {"-99999999999", -2147483647 - 1}};
  for (auto& c : good) {
    XMLReader r(Put("<P><N>" + std::string(c.text) + "</N></P>"));
    r.OpenTag("P");
    int n = -1;
    r.TextTag("N", &n);
    EXPECT_EQ(n, c.value) << '"' << c.text << '"';
  }
  for (const char* bad : {"12 ", "0x10", "1.5", " ", "-", "+", "a", "1e3", "12\n"}) {
    XMLReader r(Put("<P><N>" + std::string(bad) + "</N></P>"));
    r.OpenTag("P");
    int n = -1;
    EXPECT_EQ(MessageOf([&] { r.TextTag("N", &n); }), "Ungültige Zahl im Text-Tag") << '"' << bad << '"';
  }
}

TEST_F(XmlReaderFile, TextsAsExpatDeliversThem) {
  XMLReader r(Put(Declaration + "<P a=\"1\"><!-- c --><?pi x?>"
                                "<T b='2'>a&gt;b &amp; &lt;c&#228;&#x20AC;<![CDATA[<&>]]></T>"
                                "<U>  zwei\r\nZeilen\rx  </U><V>ä</V></P>"));
  r.OpenTag("P");
  std::string t, u, v;
  r.TextTag("T", &t);
  r.TextTag("U", &u);
  r.TextTag("V", &v);
  r.CloseTag("P");
  EXPECT_EQ(t, "a>b & <cä€<&>");
  EXPECT_EQ(u, "  zwei\nZeilen\nx  ");
  EXPECT_EQ(v, "ä");
}

TEST_F(XmlReaderFile, CrLfFileReadsLikeLfFile) {
  std::string lf = Declaration + "<P>\n <N>Zeile\nzwei</N>\n <M>4</M>\n</P>\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (auto& body : {lf, crlf}) {
    XMLReader r(Put(body));
    r.OpenTag("P");
    std::string n;
    int m = 0;
    r.TextTag("N", &n);
    r.TextTag("M", &m);
    r.CloseTag("P");
    EXPECT_EQ(n, "Zeile\nzwei");
    EXPECT_EQ(m, 4);
  }
}

// The UTF-8 text in UTF-16, big or little endian; code points of the BMP only.
std::string Utf16(const std::string& utf8, bool bigEndian) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[i++]);
    int follow = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : 2;
    unsigned unit = follow == 0 ? lead : lead & (follow == 1 ? 0x1F : 0x0F);
    for (int k = 0; k < follow; ++k) unit = unit << 6 | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
    char high = char(unit >> 8), low = char(unit & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return out;
}

// A document whose leaf T holds the text, after a comment of `padding` x.
std::string LeafDocument(const std::string& text, size_t padding = 0) {
  return "<P><!--" + std::string(padding, 'x') + "--><T>" + text + "</T></P>\n";
}

// The loader's encoding table: each file holds one leaf; the bytes CR LF
// within UTF-16 characters stay those characters, in any block.
TEST_F(XmlReaderFile, EncodingsReadAsUtf8) {
  const std::string bomBe = "\xFE\xFF", bomLe = "\xFF\xFE";
  const struct {
    const char* encoding;
    std::string bytes;
    std::string leaf;
  } rows[] = {
      {"UTF-8", Declaration + LeafDocument("Grüße €"), "Grüße €"},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + LeafDocument("Grüße"), "Grüße"},
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + LeafDocument("gr\xFCn, gro\xDF"),
       "grün, groß"},
      {"UTF-16 BE with BOM", bomBe + Utf16(LeafDocument("Grüße €"), true), "Grüße €"},
      {"UTF-16 LE with BOM", bomLe + Utf16(LeafDocument("Grüße €"), false), "Grüße €"},
      {"UTF-16 BE, U+0D0A twice", bomBe + Utf16(LeafDocument("\u0D0A\u0D0A"), true), "\u0D0A\u0D0A"},
      {"UTF-16 LE, U+0A0D twice", bomLe + Utf16(LeafDocument("\u0A0D\u0A0D"), false), "\u0A0D\u0A0D"},
      {"UTF-16 BE without BOM", Utf16(LeafDocument("\u0D0A\u0D0A"), true), "\u0D0A\u0D0A"},
      {"UTF-16 LE without BOM", Utf16(LeafDocument("\u0A0D\u0A0D"), false), "\u0A0D\u0A0D"},
      {"UTF-16 BE without BOM, a line feed first", Utf16("\n", true) + Utf16(LeafDocument("\u0D0A\u0D0A"), true),
       "\u0D0A\u0D0A"},
      {"UTF-16 LE without BOM, a space first", Utf16(" ", false) + Utf16(LeafDocument("\u0A0D\u0A0D"), false),
       "\u0A0D\u0A0D"},
      {"UTF-16 BE, leaf in a later block", bomBe + Utf16(LeafDocument("\u0D0A\u0D0A", 70000), true), "\u0D0A\u0D0A"},
      {"UTF-16 LE, CR LF in the text", bomLe + Utf16(LeafDocument("a\r\nb"), false), "a\nb"},
  };
  for (const auto& row : rows) {
    XMLReader r(Put(row.bytes));
    r.OpenTag("P");
    std::string leaf;
    r.TextTag("T", &leaf);
    r.CloseTag("P");
    EXPECT_EQ(leaf, row.leaf) << row.encoding;
  }
}

TEST_F(XmlReaderFile, FilesOfBlockLengths) {
  // Lengths around the sizes the reader reads in; padding goes into a
  // comment so the content stays the same.
  for (size_t length : {4095u, 4096u, 4097u, 8192u, 65535u, 65536u, 65537u, 131072u}) {
    std::string head = "<P><N>42</N></P><!--";
    std::string tail = "-->\n";
    std::string body = head + std::string(length - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(body.size(), length);
    XMLReader r(Put(body));
    r.OpenTag("P");
    int n = 0;
    r.TextTag("N", &n);
    r.CloseTag("P");
    EXPECT_EQ(n, 42) << length;
  }
}

TEST_F(XmlReaderFile, DeepNestingIsReadAndFreed) {
  const int depth = 20000;
  std::string body;
  for (int i = 0; i < depth; ++i) body += "<E>";
  body += "<N>5</N>";
  for (int i = 0; i < depth; ++i) body += "</E>";
  XMLReader r(Put(body));
  for (int i = 0; i < depth; ++i) r.OpenTag("E");
  int n = 0;
  r.TextTag("N", &n);
  EXPECT_EQ(n, 5);
  for (int i = 0; i < depth; ++i) r.CloseTag("E");
  EXPECT_FALSE(r.CurrentHasChildren());
}

}  // namespace
