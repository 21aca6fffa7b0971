// main() of every GUI test binary: one QApplication, offscreen unless a
// display platform was chosen, pixels 1:1, no desktop theme and the locale
// C.UTF-8, so renders and texts are the same on every machine.
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
  // A locale that is not German, as on many machines: what is German must be
  // so by the program's own doing.
  setenv("LANG", "C.UTF-8", 1);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  unsetenv("LANGUAGE");
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  return RUN_ALL_TESTS();
}
