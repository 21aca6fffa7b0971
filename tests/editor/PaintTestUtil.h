#pragma once
// Rendering chart items the way the chart view does, into an image, and
// reading back what was drawn at a world point.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>

#include <cmath>
#include <cstdint>
#include <memory>

#include "document/ChartItem.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "support/Images.h"

namespace painttest {

// A view onto the chart: world point (x, y) lands on image pixel
// ((x - originX) * zoom, (y - originY) * zoom).
struct View {
  double originX = 0, originY = 0, zoom = 1.0;
  int width = 320, height = 240;
};

// The chart background the items are drawn on.
inline const Color& Background() { return Stock::BackgroundGrey; }

// Draws one item as the chart view does: the view transform, then the move
// to the item's own corner.
inline QImage Render(ChartItem* item, int flags, const View& view) {
  return Paint(
      view.width, view.height,
      [&](Drawing& drawing) {
        drawing.FillBackground(Background());
        drawing.TranslateAndScale(-view.originX * view.zoom, -view.originY * view.zoom, view.zoom);
        drawing.TranslateAndScale(item->canvasItem.x, item->canvasItem.y, 1.0);
        item->OnPaint(&drawing, flags);
        drawing.RestoreTranslateAndScale();
        drawing.RestoreTranslateAndScale();
      },
      Paper, QImage::Format_ARGB32_Premultiplied);
}

// A view with the item's corner at (margin, margin).
inline View ViewAround(ChartItem* item, int margin = 40, int width = 320, int height = 240) {
  View view;
  view.originX = item->canvasItem.x - margin;
  view.originY = item->canvasItem.y - margin;
  view.width = width;
  view.height = height;
  return view;
}

// The pixel under a world point.
inline QColor At(const QImage& image, const View& view, double x, double y) {
  int px = static_cast<int>(std::floor((x - view.originX) * view.zoom));
  int py = static_cast<int>(std::floor((y - view.originY) * view.zoom));
  return image.pixelColor(px, py);
}

// Whether the pixel under a world point has the colour (within a little
// antialiasing slack).
inline ::testing::AssertionResult HasColour(const QImage& image, const View& view, double x, double y, QColor want,
                                            int slack = 6) {
  QColor got = At(image, view, x, y);
  if (Distance(got, want) <= slack) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at (" << x << ", " << y << ") found " << got.name().toStdString()
                                       << ", wanted " << want.name().toStdString();
}

// The image rectangle of a world box.
inline QRect PixelBox(const View& view, double x, double y, double w, double h) {
  int x0 = static_cast<int>(std::floor((x - view.originX) * view.zoom));
  int y0 = static_cast<int>(std::floor((y - view.originY) * view.zoom));
  int x1 = static_cast<int>(std::ceil((x + w - view.originX) * view.zoom));
  int y1 = static_cast<int>(std::ceil((y + h - view.originY) * view.zoom));
  return QRect(x0, y0, x1 - x0, y1 - y0);
}

// A project with its start sub, as the main window makes it.
struct Chart {
  Project project;
  Sub* sub;
  Chart() : sub(project.AddChart()) {}
};

}  // namespace painttest
