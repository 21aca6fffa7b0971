// Renders through Drawing into images and checks chosen pixels.
#include "support/Images.h"

#include <gtest/gtest.h>

namespace {

bool IsColor(const QImage& image, int x, int y, const Color& color) { return image.pixel(x, y) == color.argb; }

}  // namespace

TEST(Drawing, StartBlockShapeAndCentredLabel) {
  QImage image = Paint(200, 100, [](Drawing& d) {
    d.FillRoundedRect(10, 10, 128, 72, 18, Stock::Green);
    d.PrintText(10, 10, 128, 72, "Start", Stock::GuiFont, Stock::White, Drawing::AlignCentered);
  });
  EXPECT_TRUE(IsColor(image, 70, 14, Stock::Green));
  EXPECT_EQ(image.pixel(11, 11), Paper);
  QRect ink = InkBox(image);
  EXPECT_EQ(ink, QRect(10, 10, 128, 72));
}

TEST(Drawing, ColorChannelsRoundToNearestAndClamp) {
  EXPECT_EQ(Color(1, 0, 0, 1).argb, 0xFFFF0000u);
  EXPECT_EQ(Color(0, 0, 1, 0).argb, 0x000000FFu);
  // 127.5 rounds up.
  EXPECT_EQ(Color(0.5, 0.5, 0.5, 1).argb, 0xFF808080u);
  // 0.4 * 255 = 102 (0x66) and 0.25 * 255 = 63.75 -> 64.
  EXPECT_EQ(Color(1, 1, 1, 0.4).argb, Stock::TransparentWhite.argb);
  EXPECT_EQ(Color(0.25, 0, 0, 1).Red(), 64);
  EXPECT_EQ(Color(2, -1, 0.5, 7).argb, 0xFFFF0080u);
  // The grey pen is Grey, not LighterGrey.
  EXPECT_EQ(Stock::ThickerLighterGreyPen.color.argb, 0xFFD8D8D8u);
}

TEST(Drawing, FillBackgroundClearsEverythingWhateverTheTransform) {
  QImage image = Paint(40, 30, [](Drawing& d) {
    d.FillRect(0, 0, 40, 30, Stock::Crimson);
    d.TranslateAndScale(100, 100, 0.1);
    d.FillBackground(Stock::TransparentWhite);
    d.RestoreTranslateAndScale();
  });
  // Clearing replaces the pixels, alpha included, instead of blending.
  EXPECT_EQ(image.pixel(0, 0), Stock::TransparentWhite.argb);
  EXPECT_EQ(image.pixel(39, 29), Stock::TransparentWhite.argb);
}

TEST(Drawing, FillRectCoversWholePixelsExactly) {
  QImage image = Paint(30, 30, [](Drawing& d) { d.FillRect(5, 6, 10, 12, Stock::SteelBlue); });
  EXPECT_EQ(InkBox(image), QRect(5, 6, 10, 12));
  EXPECT_TRUE(IsColor(image, 5, 6, Stock::SteelBlue));
  EXPECT_TRUE(IsColor(image, 14, 17, Stock::SteelBlue));
}

TEST(Drawing, TransparentFillsBlendOverWhatIsThere) {
  QImage image = Paint(10, 10, [](Drawing& d) {
    d.FillRect(0, 0, 10, 10, Stock::Black);
    d.FillRect(0, 0, 10, 10, Stock::TransparentWhite);
  });
  QColor c = image.pixelColor(5, 5);
  EXPECT_EQ(c.alpha(), 255);
  EXPECT_NEAR(c.red(), 102, 1);
  EXPECT_EQ(c.red(), c.blue());
}

TEST(Drawing, TranslateAndScaleNestAndRestoreLikeBrackets) {
  QImage image = Paint(100, 100, [](Drawing& d) {
    d.TranslateAndScale(10, 10, 2);
    // (0..5) -> scaled by 1 and moved by 5, then by 2 and moved by 10: 20..30.
    d.TranslateAndScale(5, 5, 1);
    EXPECT_EQ(d.SavedTransforms(), 2u);
    d.FillRect(0, 0, 5, 5, Stock::Crimson);
    d.RestoreTranslateAndScale();
    // Under the outer transform only: 40..50.
    d.FillRect(15, 15, 5, 5, Stock::Green);
    d.RestoreTranslateAndScale();
    EXPECT_EQ(d.SavedTransforms(), 0u);
    d.FillRect(80, 80, 5, 5, Stock::SteelBlue);
    // One restore too many changes nothing.
    d.RestoreTranslateAndScale();
    d.FillRect(90, 0, 5, 5, Stock::Black);
  });
  EXPECT_TRUE(IsColor(image, 20, 20, Stock::Crimson));
  EXPECT_TRUE(IsColor(image, 29, 29, Stock::Crimson));
  EXPECT_EQ(image.pixel(30, 30), Paper);
  EXPECT_EQ(image.pixel(19, 19), Paper);
  EXPECT_TRUE(IsColor(image, 40, 40, Stock::Green));
  EXPECT_TRUE(IsColor(image, 49, 49, Stock::Green));
  EXPECT_EQ(image.pixel(50, 50), Paper);
  EXPECT_TRUE(IsColor(image, 80, 80, Stock::SteelBlue));
  EXPECT_EQ(image.pixel(85, 85), Paper);
  EXPECT_TRUE(IsColor(image, 94, 4, Stock::Black));
}

TEST(Drawing, RoundedRectCornersAreQuarterCirclesOfTheRadius) {
  // The start block: 128 x 72 with radius 18, corner circles of diameter 36.
  QImage image = Paint(140, 80, [](Drawing& d) { d.FillRoundedRect(0, 0, 128, 72, 18, Stock::Green); });
  EXPECT_EQ(InkBox(image), QRect(0, 0, 128, 72));
  struct Corner {
    double cx, cy, sx, sy;
  };
  for (Corner c : {Corner{18, 18, -1, -1}, Corner{110, 18, 1, -1}, Corner{110, 54, 1, 1}, Corner{18, 54, -1, 1}}) {
    // Along the diagonal out of each corner circle's centre: inside at 16,
    // outside at 20.
    double in = 16 / 1.41421356, out = 20 / 1.41421356;
    EXPECT_TRUE(IsColor(image, int(c.cx + c.sx * in), int(c.cy + c.sy * in), Stock::Green)) << c.cx << "," << c.cy;
    EXPECT_EQ(image.pixel(int(c.cx + c.sx * out), int(c.cy + c.sy * out)), Paper) << c.cx << "," << c.cy;
  }
  // The straight edges reach the box.
  EXPECT_TRUE(IsColor(image, 64, 0, Stock::Green));
  EXPECT_TRUE(IsColor(image, 0, 36, Stock::Green));
  EXPECT_TRUE(IsColor(image, 127, 36, Stock::Green));
  EXPECT_TRUE(IsColor(image, 64, 71, Stock::Green));
}

TEST(Drawing, PolygonsFollowTheirCorners) {
  QImage rhombus = Paint(170, 100, [](Drawing& d) { d.FillRhombus(0, 0, 160, 96, Stock::Crimson); });
  EXPECT_EQ(InkBox(rhombus), QRect(0, 0, 160, 96));
  EXPECT_TRUE(IsColor(rhombus, 80, 48, Stock::Crimson));
  EXPECT_TRUE(IsColor(rhombus, 80, 2, Stock::Crimson));
  EXPECT_TRUE(IsColor(rhombus, 2, 48, Stock::Crimson));
  EXPECT_EQ(rhombus.pixel(20, 10), Paper);
  EXPECT_EQ(rhombus.pixel(140, 86), Paper);

  // The instruction block: the top edge starts at 0.15 of the width.
  QImage slanted = Paint(170, 80, [](Drawing& d) { d.FillParallelogram(0, 0, 160, 72, 0.15, Stock::CornflowerBlue); });
  EXPECT_EQ(InkBox(slanted), QRect(0, 0, 160, 72));
  EXPECT_EQ(slanted.pixel(20, 1), Paper);
  EXPECT_TRUE(IsColor(slanted, 26, 1, Stock::CornflowerBlue));
  EXPECT_TRUE(IsColor(slanted, 1, 70, Stock::CornflowerBlue));
  EXPECT_TRUE(IsColor(slanted, 158, 1, Stock::CornflowerBlue));
  EXPECT_EQ(slanted.pixel(158, 70), Paper);
  EXPECT_TRUE(IsColor(slanted, 134, 70, Stock::CornflowerBlue));

  QImage triangle = Paint(50, 50, [](Drawing& d) { d.FillTriangle(0, 0, 40, 0, 0, 40, Stock::Black); });
  EXPECT_EQ(InkBox(triangle), QRect(0, 0, 40, 40));
  EXPECT_TRUE(IsColor(triangle, 10, 10, Stock::Black));
  EXPECT_EQ(triangle.pixel(30, 30), Paper);
}

TEST(Drawing, PathsFillOddEvenAndFollowBezierCurves) {
  QImage ring = Paint(60, 60, [](Drawing& d) {
    Path path;
    path.Rectangle(0, 0, 50, 50);
    // Same direction as the outer figure: only the odd-even rule leaves a hole.
    path.Rectangle(10, 10, 30, 30);
    path.Close();
    d.FillPath(path, Stock::SteelBlue);
  });
  EXPECT_TRUE(IsColor(ring, 5, 5, Stock::SteelBlue));
  EXPECT_TRUE(IsColor(ring, 45, 25, Stock::SteelBlue));
  EXPECT_EQ(ring.pixel(25, 25), Paper);
  EXPECT_EQ(ring.pixel(55, 55), Paper);

  // An arch: the curve's middle is at y = 12.5, well above the chord at 50.
  QImage arch = Paint(110, 60, [](Drawing& d) {
    Path path;
    path.MoveTo(0, 50);
    path.CurveTo(0, 0, 100, 0, 100, 50);
    path.LineTo(0, 50);
    d.FillPath(path, Stock::Black);
  });
  EXPECT_TRUE(IsColor(arch, 50, 16, Stock::Black));
  EXPECT_EQ(arch.pixel(50, 9), Paper);
  EXPECT_EQ(arch.pixel(50, 52), Paper);
  EXPECT_EQ(arch.pixel(3, 20), Paper);
}

TEST(Drawing, PathCurrentPointAndFiguresWithoutAStart) {
  Path path;
  EXPECT_FALSE(path.HasCurrentPoint());
  path.Rectangle(3, 4, 10, 20);
  EXPECT_TRUE(path.HasCurrentPoint());
  EXPECT_EQ(path.CurrentX(), 3);
  EXPECT_EQ(path.CurrentY(), 4);
  path.CurveTo(1, 2, 3, 4, 7, 8);
  EXPECT_EQ(path.CurrentX(), 7);
  EXPECT_EQ(path.CurrentY(), 8);

  // A line with no current point starts its figure at its end instead of at
  // the origin, so nothing is drawn from (0, 0).
  QImage image = Paint(40, 40, [](Drawing& d) {
    Path loose;
    loose.LineTo(30, 30);
    loose.LineTo(30, 10);
    d.DrawPath(loose, Stock::ThickerBlackPen);
  });
  EXPECT_EQ(image.pixel(15, 15), Paper);
  EXPECT_TRUE(IsColor(image, 30, 20, Stock::Black));
}

TEST(Drawing, StrokesKeepFiguresOpenAndScalePenWidths) {
  QImage image = Paint(100, 100, [](Drawing& d) {
    Path path;
    path.MoveTo(10, 10);
    path.LineTo(90, 10);
    path.LineTo(90, 90);
    path.Close();
    d.DrawPath(path, Stock::ThickerCrimsonPen);
  });
  EXPECT_TRUE(IsColor(image, 50, 10, Stock::Crimson));
  EXPECT_TRUE(IsColor(image, 90, 50, Stock::Crimson));
  // Close() does not close the figure: no diagonal, no left edge.
  EXPECT_EQ(image.pixel(50, 50), Paper);
  EXPECT_EQ(image.pixel(10, 50), Paper);
  // Flat caps: the stroke ends at its end point.
  EXPECT_EQ(image.pixel(7, 10), Paper);

  // Pen widths are world units: 2 at scale 4 is 8 pixels wide.
  QImage thick = Paint(60, 40, [](Drawing& d) {
    d.TranslateAndScale(0, 20, 4);
    d.DrawLine(0, 0, 15, 0, Stock::ThickerBlackPen);
    d.RestoreTranslateAndScale();
  });
  EXPECT_TRUE(IsColor(thick, 30, 16, Stock::Black));
  EXPECT_TRUE(IsColor(thick, 30, 23, Stock::Black));
  EXPECT_EQ(thick.pixel(30, 14), Paper);
  EXPECT_EQ(thick.pixel(30, 25), Paper);
}

TEST(Drawing, EllipseIsAStrokeInscribedInItsBox) {
  QImage image = Paint(100, 100, [](Drawing& d) { d.DrawEllipse(10, 20, 80, 60, Stock::ThickerCrimsonPen); });
  QRect ink = InkBox(image);
  EXPECT_NEAR(ink.left(), 9, 1);
  EXPECT_NEAR(ink.right(), 90, 1);
  EXPECT_NEAR(ink.top(), 19, 1);
  EXPECT_NEAR(ink.bottom(), 80, 1);
  EXPECT_NE(image.pixel(50, 20), Paper);
  EXPECT_NE(image.pixel(10, 50), Paper);
  EXPECT_EQ(image.pixel(50, 50), Paper);
  EXPECT_EQ(image.pixel(15, 25), Paper);
}

TEST(Drawing, NothingHappensWithoutASurface) {
  QImage none;
  QtDrawing drawing(none);
  drawing.FillBackground(Stock::Black);
  drawing.FillRect(0, 0, 10, 10, Stock::Black);
  drawing.TranslateAndScale(1, 1, 2);
  EXPECT_EQ(drawing.SavedTransforms(), 0u);
  drawing.RestoreTranslateAndScale();
  drawing.PrintText(0, 0, 10, 10, "x", Stock::GuiFont, Stock::Black, Drawing::AlignTopLeft);
  EXPECT_TRUE(none.isNull());
}

TEST(Drawing, ABorrowedPainterGetsItsStateBack) {
  QImage image(50, 50, QImage::Format_ARGB32);
  image.fill(Paper);
  QPainter painter(&image);
  painter.translate(3, 4);
  QTransform before = painter.worldTransform();
  {
    QtDrawing drawing(painter);
    // Left unbalanced on purpose.
    drawing.TranslateAndScale(10, 10, 2);
    drawing.FillRect(0, 0, 5, 5, Stock::Crimson);
  }
  EXPECT_EQ(painter.worldTransform(), before);
  EXPECT_FALSE(painter.testRenderHint(QPainter::Antialiasing));
  painter.end();
  EXPECT_TRUE(IsColor(image, 13, 14, Stock::Crimson));
  EXPECT_TRUE(IsColor(image, 22, 23, Stock::Crimson));
  EXPECT_EQ(image.pixel(24, 25), Paper);
}
