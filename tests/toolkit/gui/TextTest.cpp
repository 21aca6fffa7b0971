// Text through Drawing: alignment in the box, wrapping, clipping and fonts.
#include "support/Images.h"
#include "toolkit/TextLayouts.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

QImage RenderText(const std::string& text, QRectF box, int align, const Font& font = Stock::GuiFont, double scale = 1) {
  return Paint(300, 200, [&](Drawing& drawing) {
    drawing.TranslateAndScale(0, 0, scale);
    drawing.PrintText(box.x(), box.y(), box.width(), box.height(), text, font, Stock::Black,
                      static_cast<Drawing::Align>(align));
    drawing.RestoreTranslateAndScale();
  });
}

}  // namespace

TEST(DrawingText, AlignmentPlacesTheTextInItsBox) {
  const QRectF box(20, 30, 200, 100);
  QRect topLeft = InkBox(RenderText("Aufruf", box, Drawing::AlignTopLeft));
  QRect middleLeft = InkBox(RenderText("Aufruf", box, Drawing::AlignMiddleLeft));
  QRect centred = InkBox(RenderText("Aufruf", box, Drawing::AlignCentered));
  ASSERT_FALSE(topLeft.isEmpty());
  // The same glyphs in all three.
  EXPECT_EQ(topLeft.size(), middleLeft.size());
  EXPECT_EQ(topLeft.size(), centred.size());

  EXPECT_NEAR(topLeft.left(), 20, 3);
  EXPECT_NEAR(topLeft.top(), 30, 6);
  EXPECT_NEAR(middleLeft.left(), 20, 3);
  EXPECT_NEAR(middleLeft.center().y(), 80, 4);
  EXPECT_NEAR(centred.center().x(), 120, 2);
  EXPECT_NEAR(centred.center().y(), 80, 4);
}

TEST(DrawingText, UnknownAlignmentDrawsTopLeft) {
  const QRectF box(10, 10, 200, 100);
  EXPECT_EQ(RenderText("Nein", box, 7), RenderText("Nein", box, Drawing::AlignTopLeft));
  EXPECT_NE(RenderText("Nein", box, 7), RenderText("Nein", box, Drawing::AlignCentered));
}

TEST(DrawingText, WrapsAtTheBoxWidthAndAtLineBreaks) {
  const QRectF wide(10, 10, 280, 180);
  QRect oneLine = InkBox(RenderText("Ende", wide, Drawing::AlignTopLeft));
  QRect twoLines = InkBox(RenderText("Ende\nEnde", wide, Drawing::AlignTopLeft));
  EXPECT_EQ(twoLines.width(), oneLine.width());
  EXPECT_GT(twoLines.height(), oneLine.height() * 3 / 2);

  // Words wrap at the width of the box.
  QRect words = InkBox(RenderText("Ende Ende Ende", QRectF(10, 10, 60, 180), Drawing::AlignTopLeft));
  EXPECT_LE(words.right(), 70);
  EXPECT_GT(words.height(), oneLine.height() * 5 / 2);

  // A word longer than the box breaks inside the word instead of leaving it.
  QRect longWord = InkBox(RenderText("AAAAAAAAAAAAAAAAAAAA", QRectF(10, 10, 50, 180), Drawing::AlignTopLeft));
  EXPECT_LE(longWord.right(), 60);
  EXPECT_GT(longWord.height(), oneLine.height() * 2);
}

TEST(DrawingText, TextNeverLeavesItsBox) {
  QRect ink =
      InkBox(RenderText("Übertragen Übertragen Übertragen Übertragen", QRectF(40, 40, 50, 20), Drawing::AlignCentered));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(40, 40, 50, 20).contains(ink))
      << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
}

TEST(DrawingText, TextScalesWithTheTransform) {
  QRect normal = InkBox(RenderText("Ja", QRectF(0, 0, 100, 50), Drawing::AlignTopLeft));
  QRect doubled = InkBox(RenderText("Ja", QRectF(0, 0, 100, 50), Drawing::AlignTopLeft, Stock::GuiFont, 2));
  EXPECT_NEAR(doubled.width(), 2 * normal.width(), 3);
  EXPECT_NEAR(doubled.height(), 2 * normal.height(), 3);
}

TEST(DrawingText, Utf8TextIsDrawnAsItsCharacters) {
  const QRectF box(10, 10, 280, 100);
  QRect umlaut = InkBox(RenderText("Ä", box, Drawing::AlignTopLeft));
  QRect plain = InkBox(RenderText("A", box, Drawing::AlignTopLeft));
  // The same letter with dots above it, not two replacement glyphs.
  EXPECT_EQ(umlaut.width(), plain.width());
  EXPECT_EQ(umlaut.bottom(), plain.bottom());
  EXPECT_LT(umlaut.top(), plain.top());
  EXPECT_TRUE(InkBox(RenderText("", box, Drawing::AlignTopLeft)).isEmpty());
}

TEST(DrawingText, UnknownFamiliesFallBackToSansSerifAtTheSameSizeAndStyle) {
  Font missing("No Such Family Anywhere", 11, false, false);
  EXPECT_FALSE(missing.HasFamily());
  Font sans("sans-serif", 11, false, false);
  QFontInfo fallback(ToQFont(missing));
  QFontInfo generic(ToQFont(sans));
  EXPECT_EQ(fallback.family(), generic.family());
  EXPECT_EQ(fallback.pointSize(), 11);
  const QRectF box(10, 10, 280, 100);
  EXPECT_EQ(RenderText("Funktion1", box, Drawing::AlignTopLeft, missing),
            RenderText("Funktion1", box, Drawing::AlignTopLeft, sans));

  // Style and size still count.
  Font bold("No Such Family Anywhere", 11, true, false);
  Font italic("No Such Family Anywhere", 11, false, true);
  Font large("No Such Family Anywhere", 22, false, false);
  EXPECT_EQ(bold.Style(), 1);
  EXPECT_EQ(Font("x", 11, true, true).Style(), 3);
  EXPECT_TRUE(QFontInfo(ToQFont(bold)).bold());
  EXPECT_TRUE(QFontInfo(ToQFont(italic)).italic());
  QRect normalInk = InkBox(RenderText("Funktion1", box, Drawing::AlignTopLeft, missing));
  EXPECT_GT(InkBox(RenderText("Funktion1", box, Drawing::AlignTopLeft, bold)).width(), normalInk.width());
  double ratio = double(InkBox(RenderText("Funktion1", box, Drawing::AlignTopLeft, large)).width()) / normalInk.width();
  EXPECT_GT(ratio, 1.8);
  EXPECT_LT(ratio, 2.2);
}

TEST(DrawingText, DialogFontIsElevenPointSansSerif) {
  QFontInfo info(ToQFont(Stock::GuiFont));
  EXPECT_EQ(Stock::GuiFont.family, "MS Shell Dlg");
  EXPECT_EQ(info.pointSize(), 11);
  EXPECT_FALSE(info.bold());
  EXPECT_FALSE(info.italic());
  // Present or not, the dialog font draws.
  EXPECT_FALSE(InkBox(RenderText("Start", QRectF(0, 0, 128, 72), Drawing::AlignCentered)).isEmpty());
}

// Texts are laid out once and drawn from the kept layout afterwards: the
// pixels must be those of QPainter::drawText, on the first draw and on later
// ones, at any zoom.
TEST(DrawingText, KeptLayoutsDrawExactlyWhatDrawTextDraws) {
  struct Case {
    const char* text;
    QRectF box;
    Drawing::Align align;
  } cases[] = {
      {"Aufruf", {0, 0, 128, 36}, Drawing::AlignCentered},
      {"Funktion12", {0, 36, 128, 36}, Drawing::AlignCentered},
      {"var1\n=\nvar2 + 3", {0, 0, 128, 72}, Drawing::AlignCentered},
      {"Warte Millisekunden\n (1000)", {8, 0, 136, 72}, Drawing::AlignCentered},
      {"Nein", {155, 30, 50, 18}, Drawing::AlignTopLeft},
      {"Übertragen Übertragen Übertragen Übertragen", {40, 40, 50, 20}, Drawing::AlignCentered},
      {"AAAAAAAAAAAAAAAAAAAA lang\r\nzweite Zeile", {2, 2, 124, 76}, Drawing::AlignTopLeft},
      {"Mitte links", {10, 10, 200, 60}, Drawing::AlignMiddleLeft},
  };
  const QRgb colour = 0xFF336699;
  for (double scale : {1.0, 0.125, 0.7, 2.0}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(scale));
      QImage reference(300, 200, QImage::Format_ARGB32);
      reference.fill(Paper);
      {
        QPainter p(&reference);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        p.translate(3.5, 1.25);
        p.scale(scale, scale);
        Qt::Alignment alignment = c.align == Drawing::AlignCentered     ? Qt::AlignCenter
                                  : c.align == Drawing::AlignMiddleLeft ? Qt::AlignLeft | Qt::AlignVCenter
                                                                        : Qt::AlignLeft | Qt::AlignTop;
        QTextOption option(alignment);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        p.setFont(ToQFont(Stock::GuiFont));
        p.setPen(QColor::fromRgba(colour));
        p.setClipRect(c.box, Qt::IntersectClip);
        p.drawText(c.box, QString::fromUtf8(c.text), option);
      }
      for (int pass = 0; pass < 2; ++pass) {
        QImage drawn = Paint(300, 200, [&](Drawing& drawing) {
          drawing.TranslateAndScale(3.5, 1.25, scale);
          drawing.PrintText(c.box.x(), c.box.y(), c.box.width(), c.box.height(), c.text, Stock::GuiFont, Color(colour),
                            c.align);
          drawing.RestoreTranslateAndScale();
        });
        EXPECT_EQ(drawn, reference) << "pass " << pass;
      }
    }
  }
}

TEST(DrawingText, KeptLayoutsAreBounded) {
  for (size_t i = 0; i < TextLayouts::Limit + 50; ++i)
    Paint(20, 20, [&](Drawing& drawing) {
      drawing.PrintText(0, 0, 20, 20, "Text " + std::to_string(i), Stock::GuiFont, Stock::Black, Drawing::AlignTopLeft);
    });
  EXPECT_EQ(TextLayouts::Count(), TextLayouts::Limit);
}

// A text clips only itself: the drawing after it is unclipped again, and a
// clip the caller's painter had before still holds afterwards.
TEST(DrawingText, ClipOfATextEndsWithTheText) {
  auto paintAfterText = [](QPainter& painter) {
    QtDrawing drawing(painter);
    drawing.PrintText(110, 10, 60, 20, "Ende Ende", Stock::GuiFont, Stock::Black, Drawing::AlignTopLeft);
    drawing.FillRect(100, 100, 50, 50, Stock::Crimson);
  };
  QImage open(200, 200, QImage::Format_ARGB32);
  open.fill(Paper);
  {
    QPainter painter(&open);
    paintAfterText(painter);
  }
  EXPECT_EQ(Rgb(open, 120, 120), Rgb(Stock::Crimson));
  EXPECT_GT(InkBox(open.copy(0, 0, 200, 40)).right(), 135);

  QImage clipped(200, 200, QImage::Format_ARGB32);
  clipped.fill(Paper);
  {
    QPainter painter(&clipped);
    painter.setClipRect(QRect(0, 0, 130, 200));
    paintAfterText(painter);
  }
  EXPECT_EQ(Rgb(clipped, 120, 120), Rgb(Stock::Crimson));
  EXPECT_EQ(Rgb(clipped, 140, 120), Paper & 0xFFFFFF);
  EXPECT_FALSE(InkBox(clipped.copy(0, 0, 200, 40)).isEmpty());
  EXPECT_LT(InkBox(clipped.copy(0, 0, 200, 40)).right(), 130);
}
