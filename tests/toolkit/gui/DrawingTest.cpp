// Renders through Drawing into images and checks chosen pixels.
#include "toolkit/QtDrawing.h"

#include <QFontInfo>
#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr QRgb Background = 0xFFFFFFFF;

QImage Render(int w, int h, const std::function<void(Drawing&)>& paint) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Background);
  {
    QtDrawing drawing(image);
    paint(drawing);
  }
  return image;
}

bool IsColor(const QImage& image, int x, int y, const Color& color) { return image.pixel(x, y) == color.argb; }

// The smallest box holding every pixel that is not the background; empty when none.
QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != Background)
        box |= QRect(x, y, 1, 1);
  return box;
}

} // namespace

TEST(Drawing, StartBlockShapeAndCentredLabel) {
  QImage image = Render(200, 100, [](Drawing& d) {
    d.FillRoundedRect(10, 10, 128, 72, 18, Stock::Green);
    d.PrintText(10, 10, 128, 72, "Start", Stock::GuiFont, Stock::White, Drawing::AlignCentered);
  });
  EXPECT_TRUE(IsColor(image, 70, 14, Stock::Green));
  EXPECT_EQ(image.pixel(11, 11), Background);
  QRect ink = InkBox(image);
  EXPECT_EQ(ink, QRect(10, 10, 128, 72));
}
