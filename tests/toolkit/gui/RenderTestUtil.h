#pragma once
// Rendering through Drawing into an image, and finding what was drawn.
#include "toolkit/QtDrawing.h"

#include <functional>

namespace RenderTest {

constexpr QRgb Background = 0xFFFFFFFF;

// A white image of the size with paint() drawn on it; the painter has ended.
inline QImage Render(int w, int h, const std::function<void(Drawing&)>& paint) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Background);
  {
    QtDrawing drawing(image);
    paint(drawing);
  }
  return image;
}

// The smallest box holding every pixel that differs from the background; empty when none.
inline QRect InkBox(const QImage& image, QRgb background = Background) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != background)
        box |= QRect(x, y, 1, 1);
  return box;
}

} // namespace RenderTest
