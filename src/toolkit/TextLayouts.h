#pragma once
// Text laid out once and drawn many times. Shaping and line breaking are the
// costly part of drawing a text in a box, and they depend on the text, the
// font, the device's resolution, the box's size and the alignment only, not
// on the transform: a chart repainted at any zoom or scroll position reuses
// them. The layouts last used are kept, up to a fixed number.
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QTextOption>

#include <cstddef>

namespace TextLayouts {

// Most layouts kept; the one used longest ago goes first.
constexpr size_t Limit = 4096;

// Draws the text as painter->drawText(box, text, option) would with the font
// set, with the painter's pen and clip. False, having drawn nothing, for a
// text that drawText must handle itself (tabs, length variants).
bool Draw(QPainter* painter, const QRectF& box, const QString& text, const QFont& font, const QTextOption& option);

// Layouts kept now.
size_t Count();

}  // namespace TextLayouts
