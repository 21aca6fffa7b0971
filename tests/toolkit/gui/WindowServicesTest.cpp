// Cursors, the maximized test, pop-up menus and the file dialog, driven by
// keys from timers while the menu or dialog runs.
#include "toolkit/WindowServices.h"

#include "toolkit/QtWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Runs steps one after another, each as soon as the widget it waits for is
// up. A watchdog closes every menu and dialog after a few seconds, so a
// failing test cannot hang.
class Script {
public:
  using Find = std::function<QWidget*()>;
  using Act = std::function<void(QWidget*)>;

  Script() {
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [this] { Step(); });
    watchdog.setSingleShot(true);
    watchdog.setInterval(10000);
    QObject::connect(&watchdog, &QTimer::timeout, [this] { GiveUp(); });
  }

  Script& Then(Find find, Act act) {
    steps.push_back({std::move(find), std::move(act)});
    return *this;
  }

  void Start() {
    poll.start();
    watchdog.start();
  }

  bool Finished() const { return next == steps.size(); }
  bool TimedOut() const { return timedOut; }

private:
  void Step() {
    if (Finished()) {
      poll.stop();
      return;
    }
    if (scheduled)
      return;
    if (QWidget* widget = steps[next].find()) {
      // An action may open a nested modal loop; running it from its own
      // timer keeps this one polling for the next step meanwhile.
      scheduled = true;
      QPointer<QWidget> target(widget);
      Act act = steps[next++].act;
      QTimer::singleShot(0, [this, target, act] {
        scheduled = false;
        if (target)
          act(target);
      });
    }
  }

  void GiveUp() {
    timedOut = true;
    poll.stop();
    for (int i = 0; i < 10; ++i) {
      if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
      else if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->reject();
    }
  }

  struct Entry {
    Find find;
    Act act;
  };
  std::vector<Entry> steps;
  size_t next = 0;
  QTimer poll, watchdog;
  bool timedOut = false;
  bool scheduled = false;
};

QWidget* OpenMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

template <typename T> QWidget* Modal() { return qobject_cast<T*>(QApplication::activeModalWidget()); }

void Keys(QWidget* widget, std::initializer_list<Qt::Key> keys) {
  for (Qt::Key key : keys)
    QTest::keyClick(widget, key);
}

// Types a name into the file dialog and confirms it with Return.
void EnterName(QWidget* dialog, const QString& name) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(name);
  QTest::keyClick(edit, Qt::Key_Return);
}

const std::vector<std::string> MenuEntries = {"Neu", "-", "Beenden"};

} // namespace

TEST(WindowServices, CursorsStayOnTheWindow) {
  QWidget window;
  NativeSetCrossCursor(FromWidget(&window));
  EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
  NativeSetPointerCursor(FromWidget(&window));
  EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  // No window: nothing to do, and no crash.
  NativeSetCrossCursor(nullptr);
  NativeSetPointerCursor(nullptr);
}

TEST(WindowServices, MaximizedStateOfTheTopLevelWindow) {
  QWidget window;
  QWidget* child = new QWidget(&window);
  window.resize(300, 200);
  window.show();
  EXPECT_FALSE(NativeIsWindowMaximized(FromWidget(&window)));
  window.showMaximized();
  EXPECT_TRUE(NativeIsWindowMaximized(FromWidget(&window)));
  EXPECT_TRUE(NativeIsWindowMaximized(FromWidget(child)));
  window.showNormal();
  EXPECT_FALSE(NativeIsWindowMaximized(FromWidget(&window)));
  EXPECT_FALSE(NativeIsWindowMaximized(nullptr));
}

TEST(WindowServices, MenuReturnsTheChosenEntryAndSkipsSeparators) {
  QWidget window;
  window.resize(400, 300);
  window.show();
  struct Case {
    std::initializer_list<Qt::Key> keys;
    int expected;
  };
  for (Case c : {Case{{Qt::Key_Down, Qt::Key_Return}, 0}, Case{{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 2},
                 Case{{Qt::Key_Escape}, -1}}) {
    QPoint shownAt;
    QStringList texts;
    Script script;
    script.Then(OpenMenu, [&](QWidget* menu) {
      shownAt = menu->pos();
      for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
      Keys(menu, c.keys);
    });
    script.Start();
    EXPECT_EQ(NativeShowMenu(FromWidget(&window), 0, 48, MenuEntries), c.expected);
    EXPECT_FALSE(script.TimedOut());
    EXPECT_EQ(texts, QStringList({"Neu", "-", "Beenden"}));
    // Just below the client point.
    EXPECT_EQ(shownAt, window.mapToGlobal(QPoint(0, 48)));
  }
}

TEST(WindowServices, MenuOfOnlySeparatorsGivesNothing) {
  QWidget window;
  window.show();
  Script script;
  script.Then(OpenMenu, [](QWidget* menu) { Keys(menu, {Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape}); });
  script.Start();
  EXPECT_EQ(NativeShowMenu(FromWidget(&window), 5, 5, {"-", "-"}), -1);
  EXPECT_FALSE(script.TimedOut());
}

TEST(WindowServices, FileDialogRefusesOverlongFiltersWithoutShowingAnything) {
  Script script;
  bool shown = false;
  script.Then(Modal<QFileDialog>, [&](QWidget* dialog) {
    shown = true;
    static_cast<QDialog*>(dialog)->reject();
  });
  script.Start();
  std::string path = "unchanged";
  EXPECT_FALSE(NativeFileDialog(nullptr, std::string(51, 'p'), std::string(200, 'd'), path, true));
  EXPECT_EQ(path, "unchanged");
  // 250 together is still allowed.
  EXPECT_FALSE(NativeFileDialog(nullptr, std::string(50, 'p'), std::string(200, 'd'), path, true));
  EXPECT_TRUE(shown);
  EXPECT_FALSE(script.TimedOut());
}

TEST(WindowServices, OpenDialogAcceptsExistingFilesOnly) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString existing = dir.filePath("Lauflicht.pbn");
  QFile file(existing);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  QWidget owner;
  owner.show();
  Script script;
  script.Then(Modal<QFileDialog>, [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_EQ(dialog->nameFilters(), QStringList({"Pellburne (*.pbn)"}));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Öffnen"));
    EnterName(dialog, existing);
  });
  script.Start();
  std::string path;
  EXPECT_TRUE(NativeFileDialog(FromWidget(&owner), "*.pbn", "Pellburne", path, true));
  EXPECT_EQ(path, existing.toStdString());
  EXPECT_FALSE(script.TimedOut());

  // A missing file is refused with a message; the dialog stays until cancelled.
  bool refused = false;
  Script missing;
  missing.Then(Modal<QFileDialog>, [&](QWidget* dialog) { EnterName(dialog, dir.filePath("Fehlt.pbn")); })
      .Then(Modal<QMessageBox>, [&](QWidget* box) {
        refused = true;
        static_cast<QMessageBox*>(box)->accept();
      })
      .Then(Modal<QFileDialog>, [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  missing.Start();
  path = "unchanged";
  EXPECT_FALSE(NativeFileDialog(FromWidget(&owner), "*.pbn", "Pellburne", path, true));
  EXPECT_TRUE(refused);
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(missing.Finished());
  EXPECT_FALSE(missing.TimedOut());
}

TEST(WindowServices, SaveDialogAppendsTheExtensionAndAsksBeforeReplacing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());

  // A name without extension gets the pattern's, for both forms of pattern.
  struct Case {
    std::string pattern, description, typed, expected;
  };
  for (const Case& c : {Case{"*.pbn", "Pellburne", "Ampel", "Ampel.pbn"}, Case{"dmp", "Dump-File", "absturz", "absturz.dmp"},
                        Case{"*.pbn", "Pellburne", "Ampel.pbn", "Ampel.pbn"}}) {
    Script script;
    script.Then(Modal<QFileDialog>, [&](QWidget* widget) {
      auto* dialog = static_cast<QFileDialog*>(widget);
      EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
      EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
      EXPECT_EQ(dialog->nameFilters(), QStringList({QString::fromStdString(c.description + " (" + c.pattern + ")")}));
      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Speichern unter"));
      EnterName(dialog, dir.filePath(QString::fromStdString(c.typed)));
    });
    script.Start();
    std::string path;
    EXPECT_TRUE(NativeFileDialog(nullptr, c.pattern, c.description, path, false));
    EXPECT_EQ(path, dir.filePath(QString::fromStdString(c.expected)).toStdString());
    EXPECT_FALSE(script.TimedOut());
  }

  QString existing = dir.filePath("Alt.pbn");
  QFile file(existing);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  // Declining the overwrite question keeps the dialog open; cancelling then gives false.
  Script declined;
  declined.Then(Modal<QFileDialog>, [&](QWidget* dialog) { EnterName(dialog, existing); })
      .Then(Modal<QMessageBox>, [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); })
      .Then(Modal<QFileDialog>, [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  declined.Start();
  std::string path = "unchanged";
  EXPECT_FALSE(NativeFileDialog(nullptr, "*.pbn", "Pellburne", path, false));
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(declined.Finished());
  EXPECT_FALSE(declined.TimedOut());

  // Agreeing replaces.
  Script agreed;
  agreed.Then(Modal<QFileDialog>, [&](QWidget* dialog) { EnterName(dialog, existing); })
      .Then(Modal<QMessageBox>, [](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
  agreed.Start();
  EXPECT_TRUE(NativeFileDialog(nullptr, "*.pbn", "Pellburne", path, false));
  EXPECT_EQ(path, existing.toStdString());
  EXPECT_FALSE(agreed.TimedOut());
}
