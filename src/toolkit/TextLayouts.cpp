#include "toolkit/TextLayouts.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPaintDevice>
#include <QTextLayout>
#include <QtMath>

#include <list>
#include <unordered_map>

namespace TextLayouts {

namespace {

// What a layout depends on: the font as given and the device's resolution
// stand for the font on that device. The box's corner only moves the text.
struct Key {
  QString text;
  QFont font;
  int dpi;
  qreal width, height;
  int alignment, wrap, direction, flags;  // of the text option
  bool operator==(const Key&) const = default;
};

struct KeyHash {
  size_t operator()(const Key& k) const {
    return qHashMulti(0, k.text, k.font, k.dpi, k.width, k.height, k.alignment, k.wrap, k.direction, k.flags);
  }
};

// The lines of one text, placed as drawText places them: each line starts on
// a whole pixel below the one before, and the block is centred vertically in
// the box when asked; lines that start below the box are not made.
struct Laid {
  Laid(const Key& key, const QString& text, const QFont& font) : key(key), layout(text, font) {}
  Key key;
  QTextLayout layout;
  qreal top = 0;  // from the box's top to the first line's
};

class Cache {
public:
  Cache();
  Laid& Get(const Key& key, const QPaintDevice* device, const QTextOption& option) {
    auto found = index.find(key);
    if (found != index.end()) {
      recent.splice(recent.begin(), recent, found->second);
      return *found->second;
    }
    // The font as the painter uses it on this device.
    const QFont deviceFont(key.font, device);
    recent.emplace_front(key, Prepared(key.text), deviceFont);
    LayOut(recent.front(), deviceFont, option);
    index.emplace(key, recent.begin());
    if (recent.size() > Limit) {
      index.erase(recent.back().key);
      recent.pop_back();
    }
    return recent.front();
  }
  size_t Size() const { return index.size(); }
  void Clear() {
    index.clear();
    recent.clear();
  }

private:
  // Line breaks become line separators, carriage returns spaces.
  static QString Prepared(QString text) {
    for (QChar& c : text) {
      if (c == u'\r')
        c = u' ';
      else if (c == u'\n')
        c = QChar::LineSeparator;
    }
    return text;
  }

  static void LayOut(Laid& laid, const QFont& font, const QTextOption& option) {
    QTextOption lineOption(option);
    lineOption.setAlignment(Qt::AlignLeft);  // lines are aligned when drawn
    QTextLayout& layout = laid.layout;
    layout.setTextOption(lineOption);
    layout.setCacheEnabled(true);
    const qreal leading = QFontMetricsF(font).leading();
    const qreal lineWidth = qMax<qreal>(0, laid.key.width);
    qreal height = -leading;
    layout.beginLayout();
    for (;;) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) break;
      line.setLineWidth(lineWidth);
      height += leading;
      height = qCeil(height);
      line.setPosition(QPointF(0, height));
      height += line.ascent() + line.descent();
      if (height >= laid.key.height) break;
    }
    layout.endLayout();
    if (laid.key.alignment & Qt::AlignVCenter) laid.top = (laid.key.height - height) / 2;
  }

  std::list<Laid> recent;  // most recently used first
  std::unordered_map<Key, std::list<Laid>::iterator, KeyHash> index;
};

Cache& TheCache() {
  // Never destroyed: the application's post routine empties it, and that
  // routine may run after static objects made later than the application
  // are gone.
  static Cache* cache = new Cache;
  return *cache;
}

Cache::Cache() {
  // Fonts and layouts go with the application, not after it.
  qAddPostRoutine([] { TheCache().Clear(); });
}

constexpr int Handled = Qt::AlignLeft | Qt::AlignHCenter | Qt::AlignTop | Qt::AlignVCenter;

}  // namespace

bool Draw(QPainter* painter, const QRectF& box, const QString& text, const QFont& font, const QTextOption& option) {
  if ((option.alignment() & ~Handled) || option.wrapMode() == QTextOption::NoWrap ||
      option.textDirection() == Qt::RightToLeft || text.contains(u'\t') || text.contains(QChar(0x9C)))
    return false;
  if (box.isEmpty() || text.isEmpty()) return true;  // drawText draws nothing either
  QPaintDevice* device = painter->device();
  const Key key{text,
                font,
                device->logicalDpiY(),
                box.width(),
                box.height(),
                int(option.alignment()),
                int(option.wrapMode()),
                int(option.textDirection()),
                int(option.flags())};
  Laid& laid = TheCache().Get(key, device, option);
  const bool centred = option.alignment() & Qt::AlignHCenter;
  for (int i = 0; i < laid.layout.lineCount(); ++i) {
    QTextLine line = laid.layout.lineAt(i);
    qreal left = centred ? (box.width() - line.horizontalAdvance()) / 2 : 0;
    line.draw(painter, QPointF(box.x() + left, box.y() + laid.top));
  }
  return true;
}

size_t Count() { return TheCache().Size(); }

}  // namespace TextLayouts
