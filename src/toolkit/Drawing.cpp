// The drawing layer over QPainter.
#include "toolkit/QtDrawing.h"
#include "toolkit/TextLayouts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

uint32_t Channel(double value) {
  double clamped = std::clamp(value, 0.0, 1.0);
  return uint32_t(std::lround(clamped * 255.0));
}

// "MS Shell Dlg" and other Windows names are usually missing: the generic
// sans-serif family stands in at the same size and style.
QFont MakeFont(const QString& family, bool known, int size, bool bold, bool italic) {
  QFont font;
  if (known) {
    font.setFamily(family);
  } else {
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("sans-serif")});
  }
  font.setPointSize(size > 0 ? size : 1);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

}  // namespace

// --- Color, Pen, Font -------------------------------------------------------

Color::Color(double r, double g, double b, double a)
    : argb((Channel(a) << 24) | (Channel(r) << 16) | (Channel(g) << 8) | Channel(b)) {}

QColor ToQColor(const Color& color) { return QColor::fromRgba(color.argb); }

QPen ToQPen(const Pen& pen) {
  QPen qpen(ToQColor(pen.color));
  qpen.setWidthF(pen.width);
  qpen.setCosmetic(false);
  qpen.setCapStyle(Qt::FlatCap);
  qpen.setJoinStyle(Qt::MiterJoin);
  return qpen;
}

Font::Font(const std::string& family, int size, bool bold, bool italic)
    : family(family), size(size), bold(bold), italic(italic) {}
Font::~Font() = default;
Font::Font(const Font&) = default;
Font& Font::operator=(const Font&) = default;

bool Font::HasFamily() const {
  // The font database needs the application; ask again once it runs.
  if (familyLookup == 0 && !QGuiApplication::instance()) return false;
  if (familyLookup == 0)
    familyLookup = !family.empty() && QFontDatabase::hasFamily(QString::fromStdString(family)) ? 1 : 2;
  return familyLookup == 1;
}

QFont ToQFont(const Font& font) {
  // Nearly every text of a frame is in the same font: keep the last one made.
  struct Made {
    std::string family;
    int size = 0;
    bool bold = false, italic = false, known = false;
    QFont font;
  };
  static Made* last = nullptr;  // never destroyed: a QFont must not outlive the application's fonts
  const bool known = font.HasFamily();
  if (!last || last->family != font.family || last->size != font.size || last->bold != font.bold ||
      last->italic != font.italic || last->known != known) {
    QFont made = MakeFont(QString::fromStdString(font.family), known, font.size, font.bold, font.italic);
    if (!last) last = new Made;
    *last = Made{font.family, font.size, font.bold, font.italic, known, made};
  }
  return last->font;
}

namespace Stock {
const Font GuiFont("MS Shell Dlg", 11, false, false);
}

// --- Path -------------------------------------------------------------------

Path::Path() : data(std::make_unique<Data>()) { data->path.setFillRule(Qt::OddEvenFill); }
Path::~Path() = default;
Path::Path(const Path& other)
    : data(std::make_unique<Data>(*other.data)),
      currentX(other.currentX),
      currentY(other.currentY),
      hasCurrent(other.hasCurrent) {}
Path& Path::operator=(const Path& other) {
  if (this != &other) {
    *data = *other.data;
    currentX = other.currentX;
    currentY = other.currentY;
    hasCurrent = other.hasCurrent;
  }
  return *this;
}

void Path::MoveTo(double x, double y) {
  data->path.moveTo(x, y);
  currentX = x;
  currentY = y;
  hasCurrent = true;
}

void Path::LineTo(double x, double y) {
  if (!hasCurrent) data->path.moveTo(x, y);
  data->path.lineTo(x, y);
  currentX = x;
  currentY = y;
  hasCurrent = true;
}

void Path::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (!hasCurrent) data->path.moveTo(x3, y3);
  data->path.cubicTo(x1, y1, x2, y2, x3, y3);
  currentX = x3;
  currentY = y3;
  hasCurrent = true;
}

void Path::Close() {}

void Path::Rectangle(double x, double y, double w, double h) {
  MoveTo(x, y);
  LineTo(x + w, y);
  LineTo(x + w, y + h);
  LineTo(x, y + h);
  LineTo(x, y);
}

// --- Drawing ----------------------------------------------------------------

struct Drawing::Painter {
  QPainter own;
  QPainter* painter = nullptr;
  bool borrowed = false;

  // False when the surface could not be painted on (a null image): every
  // operation then does nothing.
  bool Active() const { return painter && painter->isActive(); }
};

namespace {

void SetUp(QPainter* painter) {
  // High-quality smoothing; pixel centres at half coordinates is Qt's own rule.
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setRenderHint(QPainter::TextAntialiasing, true);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
}

}  // namespace

Drawing::Drawing(NativeSurface surface) : painter(std::make_unique<Painter>()) {
  auto* device = reinterpret_cast<QPaintDevice*>(surface);
  if (device && device->width() > 0 && device->height() > 0 && painter->own.begin(device)) {
    painter->painter = &painter->own;
    SetUp(painter->painter);
  }
}

Drawing::Drawing(NativePainter borrowed) : painter(std::make_unique<Painter>()) {
  auto* qpainter = reinterpret_cast<QPainter*>(borrowed);
  if (qpainter && qpainter->isActive()) {
    painter->painter = qpainter;
    painter->borrowed = true;
    qpainter->save();
    SetUp(qpainter);
  }
}

Drawing::~Drawing() {
  if (painter->borrowed)
    painter->painter->restore();
  else if (painter->own.isActive())
    painter->own.end();
}

void Drawing::TranslateAndScale(double dx, double dy, double s) {
  if (!painter->Active()) return;
  const QTransform& t = painter->painter->worldTransform();
  transforms.push_back(
      SavedTransform{{t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()}});
  painter->painter->translate(dx, dy);
  painter->painter->scale(s, s);
}

void Drawing::RestoreTranslateAndScale() {
  if (transforms.empty() || !painter->Active()) return;
  const double* m = transforms.back().m;
  painter->painter->setWorldTransform(QTransform(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]));
  transforms.pop_back();
}

void Drawing::FillBackground(const Color& color) {
  if (!painter->Active()) return;
  QPainter* p = painter->painter;
  p->save();
  p->resetTransform();
  p->setCompositionMode(QPainter::CompositionMode_Source);
  p->fillRect(QRect(0, 0, p->device()->width(), p->device()->height()), ToQColor(color));
  p->restore();
}

namespace {

void Fill(QPainter* p, const QPainterPath& path, const Color& color) { p->fillPath(path, QBrush(ToQColor(color))); }

QPainterPath Polygon(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  path.addPolygon(QPolygonF(QList<QPointF>(points)));
  path.closeSubpath();
  return path;
}

}  // namespace

void Drawing::FillRect(double x, double y, double w, double h, const Color& color) {
  if (!painter->Active()) return;
  painter->painter->fillRect(QRectF(x, y, w, h), ToQColor(color));
}

void Drawing::FillRoundedRect(double x, double y, double w, double h, double r, const Color& color) {
  if (!painter->Active()) return;
  double d = 2 * r;
  // Four quarter arcs clockwise from the top right; arcTo joins them with the
  // straight edges. Qt counts angles anticlockwise, hence the signs.
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  QRectF topRight(x + w - d, y, d, d), bottomRight(x + w - d, y + h - d, d, d);
  QRectF bottomLeft(x, y + h - d, d, d), topLeft(x, y, d, d);
  path.arcMoveTo(topRight, -270);
  path.arcTo(topRight, -270, -90);
  path.arcTo(bottomRight, 0, -90);
  path.arcTo(bottomLeft, -90, -90);
  path.arcTo(topLeft, -180, -90);
  path.closeSubpath();
  Fill(painter->painter, path, color);
}

void Drawing::FillRhombus(double x, double y, double w, double h, const Color& color) {
  if (!painter->Active()) return;
  Fill(painter->painter, Polygon({{x + w / 2, y}, {x + w, y + h / 2}, {x + w / 2, y + h}, {x, y + h / 2}}), color);
}

void Drawing::FillParallelogram(double x, double y, double w, double h, double s, const Color& color) {
  if (!painter->Active()) return;
  Fill(painter->painter, Polygon({{x + s * w, y}, {x + w, y}, {x + (1 - s) * w, y + h}, {x, y + h}}), color);
}

void Drawing::FillTriangle(double x1, double y1, double x2, double y2, double x3, double y3, const Color& color) {
  if (!painter->Active()) return;
  Fill(painter->painter, Polygon({{x1, y1}, {x2, y2}, {x3, y3}}), color);
}

void Drawing::FillPath(const Path& path, const Color& color) {
  if (!painter->Active()) return;
  Fill(painter->painter, ToQPainterPath(path), color);
}

void Drawing::DrawPath(const Path& path, const Pen& pen) {
  if (!painter->Active()) return;
  painter->painter->strokePath(ToQPainterPath(path), ToQPen(pen));
}

void Drawing::DrawLine(double x1, double y1, double x2, double y2, const Pen& pen) {
  if (!painter->Active()) return;
  QPainterPath path;
  path.moveTo(x1, y1);
  path.lineTo(x2, y2);
  painter->painter->strokePath(path, ToQPen(pen));
}

void Drawing::DrawEllipse(double x, double y, double w, double h, const Pen& pen) {
  if (!painter->Active()) return;
  QPainterPath path;
  path.addEllipse(QRectF(x, y, w, h));
  painter->painter->strokePath(path, ToQPen(pen));
}

namespace {

Qt::Alignment ToAlignment(Drawing::Align align) {
  switch (align) {
  case Drawing::AlignCentered:
    return Qt::AlignHCenter | Qt::AlignVCenter;
  case Drawing::AlignMiddleLeft:
    return Qt::AlignLeft | Qt::AlignVCenter;
  default:
    return Qt::AlignLeft | Qt::AlignTop;
  }
}

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Anything that would start a new line or draw as a box becomes a space.
QString OneLine(const std::string& text) {
  QString line = FromUtf8(text);
  for (QChar& c : line) {
    const QChar::Category category = c.category();
    if (category == QChar::Other_Control || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
      c = u' ';
  }
  return line;
}

// The text on one line, shortened with "…" to the width, measured in the
// font as the painter draws it on its device.
QString FittedLine(QPainter* painter, const std::string& text, const Font& font, double width, Qt::TextElideMode mode) {
  return QFontMetricsF(ToQFont(font), painter->device()).elidedText(OneLine(text), mode, width);
}

}  // namespace

void Drawing::PrintText(double x, double y, double w, double h, const std::string& text, const Font& font,
                        const Color& color, Align align) {
  Print(x, y, w, h, text, font, color, align, false);
}

void Drawing::PrintLine(double x, double y, double w, double h, const std::string& text, const Font& font,
                        const Color& color, Align align) {
  Print(x, y, w, h, text, font, color, align, true);
}

double Drawing::TextWidth(const std::string& text, const Font& font) const {
  if (!painter->Active()) return 0;
  return QFontMetricsF(ToQFont(font), painter->painter->device()).horizontalAdvance(OneLine(text));
}

std::string Drawing::Elided(const std::string& text, const Font& font, double width, Elide where) const {
  if (!painter->Active()) return text;
  return FittedLine(painter->painter, text, font, width, where == ElideMiddle ? Qt::ElideMiddle : Qt::ElideRight)
      .toStdString();
}

void Drawing::Print(double x, double y, double w, double h, const std::string& text, const Font& font,
                    const Color& color, Align align, bool oneLine) {
  if (!painter->Active() || text.empty()) return;
  const Qt::Alignment alignment = ToAlignment(align);
  QPainter* p = painter->painter;
  // Every other drawing call passes its own pen and sets no clip, so only a
  // clip that was there before needs the painter's whole state saved.
  const bool clipped = p->hasClipping();
  if (clipped) p->save();
  const QRectF box(x, y, w, h);
  const QFont qfont = ToQFont(font);
  p->setPen(ToQColor(color));
  p->setClipRect(box, clipped ? Qt::IntersectClip : Qt::ReplaceClip);
  if (oneLine) {
    p->setFont(qfont);
    p->drawText(box, int(alignment) | Qt::TextSingleLine, FittedLine(p, text, font, w, Qt::ElideRight));
  } else {
    // Words wrap at the box width; a word longer than the box breaks anywhere.
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QString qtext = FromUtf8(text);
    // Laid out once, drawn at every repaint.
    if (!TextLayouts::Draw(p, box, qtext, qfont, option)) {
      p->setFont(qfont);
      p->drawText(box, qtext, option);
    }
  }
  if (clipped)
    p->restore();
  else
    p->setClipping(false);
}
