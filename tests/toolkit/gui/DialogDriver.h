#pragma once
// Driving modal dialogs in tests: steps run from the event loop once the
// dialog is up, and a watchdog closes every modal window, so a failing step
// cannot hang the run.
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

namespace DialogDriver {

inline int& Generation() {
  static int generation = 0;
  return generation;
}

// Closes every modal window that is still open.
inline void CloseAllModals() {
  for (int round = 0; round < 10; ++round) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
      return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
    if (QApplication::activeModalWidget() == modal)
      modal->hide();
  }
}

// One per test that opens dialogs.
class Watchdog {
public:
  explicit Watchdog(int milliseconds = 5000) : generation(++Generation()) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      fired = true;
      CloseAllModals();
      // Dialogs opened again by what was closed go too.
      timer.start(100);
    });
    timer.start(milliseconds);
  }
  ~Watchdog() {
    ++Generation();
    EXPECT_FALSE(fired) << "a dialog had to be closed by the watchdog";
  }

private:
  QTimer timer;
  int generation;
  bool fired = false;
};

// Runs step on the active modal window once one (other than notThis) is up
// and active; with closeAfter, a dialog the step left open is cancelled.
inline void WhenModal(std::function<void(QWidget*)> step, bool closeAfter = true, QWidget* notThis = nullptr,
                      int tries = 500) {
  int generation = Generation();
  QTimer::singleShot(5, [=] {
    if (Generation() != generation)
      return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != notThis && modal->isVisible() && QApplication::activeWindow() == modal) {
      step(modal);
      if (closeAfter && QApplication::activeModalWidget() == modal) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
          dialog->reject();
      }
      return;
    }
    if (tries > 0)
      WhenModal(step, closeAfter, notThis, tries - 1);
  });
}

inline QWidget* Focus() { return QApplication::focusWidget(); }

// A key typed where the focus is.
inline void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = Focus();
  ASSERT_NE(focus, nullptr);
  QTest::keyClick(focus, key, modifiers);
}

inline void Type(const char* text) {
  QWidget* focus = Focus();
  ASSERT_NE(focus, nullptr);
  QTest::keyClicks(focus, QString::fromUtf8(text));
}

} // namespace DialogDriver
