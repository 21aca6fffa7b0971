#include "editor/ProgramIcon.h"

#include <QDir>
#include <QIcon>
#include <QPixmap>

#include "toolkit/QtDrawing.h"

namespace {

constexpr double SquareSize = 48;

}  // namespace

void PaintMenuSquare(Drawing* drawing) {
  drawing->FillRect(0, 0, SquareSize, SquareSize, Stock::Crimson);
  // A flame from the top of the square to its bottom.
  Path flame;
  flame.MoveTo(25, 2);
  flame.CurveTo(27, 13, 39, 19, 37.5, 32);
  flame.CurveTo(36.5, 41, 30.5, 46, 24, 46);
  flame.CurveTo(17, 46, 11, 41, 11, 32.5);
  flame.CurveTo(11, 25, 15.5, 20, 19, 15);
  flame.CurveTo(19.5, 20, 21, 24, 23.5, 26);
  flame.CurveTo(25.5, 18, 26.5, 10, 25, 2);
  flame.Close();
  drawing->FillPath(flame, Stock::White);
}

const std::vector<int>& ProgramIconSizes() {
  static const std::vector<int> sizes = {16, 24, 32, 48, 64, 128, 256};
  return sizes;
}

namespace {

QImage ProgramIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QtDrawing drawing(image);
    drawing.TranslateAndScale(0, 0, size / SquareSize);
    PaintMenuSquare(&drawing);
    drawing.RestoreTranslateAndScale();
  }
  return image;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : ProgramIconSizes()) icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
  return icon;
}

bool WriteProgramIconFiles(const std::string& themeFolder, const std::string& name) {
  for (int size : ProgramIconSizes()) {
    const QString folder = QString::fromStdString(themeFolder) + QStringLiteral("/%1x%1/apps").arg(size);
    if (!QDir().mkpath(folder)) return false;
    if (!ProgramIconImage(size).save(folder + "/" + QString::fromStdString(name) + ".png", "PNG")) return false;
  }
  return true;
}
