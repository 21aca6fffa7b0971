#pragma once
// The Qt side of the drawing layer, for the toolkit and the editor only:
// making a Drawing over an image or a painter, and the Qt forms of the
// drawing resources.
#include "toolkit/Drawing.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

inline NativeSurface ToSurface(QPaintDevice* device) { return reinterpret_cast<NativeSurface>(device); }
inline NativePainter ToPainter(QPainter* painter) { return reinterpret_cast<NativePainter>(painter); }

// A Drawing that paints on an image (the window's back buffer) until it is destroyed.
class QtDrawing : public Drawing {
public:
  explicit QtDrawing(QImage& image) : Drawing(ToSurface(&image)) {}
  explicit QtDrawing(QPainter& painter) : Drawing(ToPainter(&painter)) {}
};

QColor ToQColor(const Color& color);
// Width in world units, flat caps and mitred joins.
QPen ToQPen(const Pen& pen);
// The family, or the generic sans-serif family when it is missing; needs the application.
QFont ToQFont(const Font& font);

struct Path::Data {
  QPainterPath path;
};
inline const QPainterPath& ToQPainterPath(const Path& path) { return path.GetData().path; }
