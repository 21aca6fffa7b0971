// Painting the chart view into an image.
#include <QImage>

#include "ChartViewTestUtil.h"
#include "toolkit/QtDrawing.h"

namespace {

QImage Render(ChartView& view) {
  QImage image(800, 552, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::black);
  {
    QtDrawing drawing(image);
    view.OnPaint(&drawing);
    EXPECT_EQ(drawing.SavedTransforms(), 0u);
  }
  return image;
}

}  // namespace

TEST_F(ChartViewTest, PaintFillsTheBackgroundAndTheRubberBandInViewPixels) {
  Down(100, 300);
  Move(200, 400);
  QImage image = Render(view);
  QRgb background = image.pixel(700, 500);
  EXPECT_EQ(background, Stock::BackgroundGrey.argb);
  // The band tints its rectangle with translucent blue.
  QRgb band = image.pixel(150, 350);
  EXPECT_NE(band, background);
  EXPECT_LT(qRed(band), qRed(background));
  EXPECT_GT(qBlue(band), qRed(band));
  EXPECT_EQ(image.pixel(95, 350), background);
  EXPECT_EQ(image.pixel(150, 405), background);
  Up(200, 400);
  EXPECT_EQ(Render(view).pixel(150, 350), background);
}
