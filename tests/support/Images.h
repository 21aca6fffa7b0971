#pragma once
// Pictures in tests: images painted through the program's drawing layer,
// pixels compared without alpha or within some slack, where the ink of a
// picture lies, and BMP files read byte by byte.
#include <QColor>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/Files.h"
#include "toolkit/QtDrawing.h"

// The ground Paint draws on unless told otherwise.
constexpr QRgb Paper = 0xFFFFFFFF;

// A picture of w × h on the ground, painted through the program's drawing
// layer; the painter has ended when it returns.
inline QImage Paint(int w, int h, const std::function<void(Drawing&)>& paint, QRgb ground = Paper,
                    QImage::Format format = QImage::Format_ARGB32) {
  QImage image(w, h, format);
  image.fill(ground);
  {
    QtDrawing drawing(image);
    paint(drawing);
  }
  return image;
}

// Pixel colours without alpha.
inline uint32_t Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
inline uint32_t Rgb(const Color& color) { return color.argb & 0xFFFFFF; }

inline QColor Of(const Color& colour) { return QColor::fromRgba(colour.argb); }

// The sum of the channel differences.
inline int Distance(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// The smallest box holding every pixel that differs from the ground; empty
// when none does.
inline QRect InkBox(const QImage& image, QRgb ground = Paper) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != ground) box |= QRect(x, y, 1, 1);
  return box;
}

// The pixels of a box that differ from the colour beneath them by more than
// the slack, and the one among them that differs most.
struct Ink {
  int count = 0;
  QRect bounds;
  QColor strongest;
};

inline Ink InkIn(const QImage& image, const QRect& box, QColor beneath, int slack = 24) {
  Ink ink;
  int best = -1;
  for (int y = box.top(); y <= box.bottom(); y++)
    for (int x = box.left(); x <= box.right(); x++) {
      if (!image.rect().contains(x, y)) continue;
      QColor c = image.pixelColor(x, y);
      int d = Distance(c, beneath);
      if (d <= slack) continue;
      ink.count++;
      ink.bounds = ink.bounds.united(QRect(x, y, 1, 1));
      if (d > best) {
        best = d;
        ink.strongest = c;
      }
    }
  return ink;
}

// The first and last rows in which two pictures of one size differ clearly
// (a channel by 64 or more): the ink of what one has and the other lacks.
struct InkRows {
  int top = -1, bottom = -1;
  int Count() const { return top < 0 ? 0 : bottom - top + 1; }
};

inline InkRows DifferingRows(const QImage& with, const QImage& without) {
  InkRows rows;
  for (int y = 0; y < with.height(); ++y)
    for (int x = 0; x < with.width(); ++x) {
      QColor a = with.pixelColor(x, y), b = without.pixelColor(x, y);
      int difference =
          std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
      if (difference >= 64) {
        if (rows.top < 0) rows.top = y;
        rows.bottom = y;
      }
    }
  return rows;
}

// A BMP file of 32 bits a pixel, read by hand so that its own layout is
// checked rather than what an image reader puts up with.
struct BmpFile {
  explicit BmpFile(const std::string& path) : bytes(ReadBytes(path)) {}

  // The header fields at their offsets.
  uint32_t FileSize() const { return Le32(bytes, 2); }
  uint32_t PixelOffset() const { return Le32(bytes, 10); }
  uint32_t HeaderSize() const { return Le32(bytes, 14); }
  uint32_t Width() const { return Le32(bytes, 18); }
  uint32_t Height() const { return Le32(bytes, 22); }
  uint16_t Planes() const { return Le16(bytes, 26); }
  uint16_t BitsPerPixel() const { return Le16(bytes, 28); }
  uint32_t Compression() const { return Le32(bytes, 30); }
  uint32_t ImageSize() const { return Le32(bytes, 34); }

  // The pixel counted from the top left: the file holds the bottom row
  // first, each pixel as blue, green, red and a spare byte.
  QRgb Pixel(int x, int y) const {
    size_t at = PixelOffset() + (size_t(Height()) - 1 - y) * Width() * 4 + size_t(x) * 4;
    return qRgb(bytes.at(at + 2), bytes.at(at + 1), bytes.at(at));
  }

  std::vector<unsigned char> bytes;
};
