// main() of every GUI test binary: one QApplication, offscreen unless a
// display platform was chosen, pixels 1:1 and no desktop theme, so renders
// are the same on every machine.
#include <QApplication>
#include <QStyleFactory>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  setenv("QT_SCALE_FACTOR", "1", 1);
  setenv("QT_QPA_PLATFORMTHEME", "", 1);
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  return RUN_ALL_TESTS();
}
