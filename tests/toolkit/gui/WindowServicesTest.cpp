// Cursors, the maximized test, pop-up menus and the file dialog, driven by
// keys from timers while the menu or dialog runs.
#include "toolkit/WindowServices.h"

#include "support/Dialogs.h"
#include "support/Files.h"
#include "toolkit/QtWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dialogs;

namespace {

void Keys(QWidget* widget, std::initializer_list<Qt::Key> keys) {
  for (Qt::Key key : keys) QTest::keyClick(widget, key);
}

const std::vector<std::string> MenuEntries = {"Neu", "-", "Beenden"};

}  // namespace

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
    ModalDriver script;
    script.ThenOn<QMenu>([&](QWidget* menu) {
      shownAt = menu->pos();
      for (QAction* action : menu->actions()) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
      Keys(menu, c.keys);
    });
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
  ModalDriver script;
  script.ThenOn<QMenu>([](QWidget* menu) { Keys(menu, {Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape}); });
  EXPECT_EQ(NativeShowMenu(FromWidget(&window), 5, 5, {"-", "-"}), -1);
  EXPECT_FALSE(script.TimedOut());
}

TEST(WindowServices, FileDialogRefusesOverlongFiltersWithoutShowingAnything) {
  ModalDriver script;
  bool shown = false;
  script.ThenOn<QFileDialog>([&](QWidget* dialog) {
    shown = true;
    static_cast<QDialog*>(dialog)->reject();
  });
  std::string path = "unchanged";
  EXPECT_FALSE(NativeFileDialog(nullptr, std::string(51, 'p'), std::string(200, 'd'), path, true));
  EXPECT_EQ(path, "unchanged");
  // 250 together is still allowed.
  EXPECT_FALSE(NativeFileDialog(nullptr, std::string(50, 'p'), std::string(200, 'd'), path, true));
  EXPECT_TRUE(shown);
  EXPECT_FALSE(script.TimedOut());
}

TEST(WindowServices, OpenDialogAcceptsExistingFilesOnly) {
  TempFolder dir;
  const std::string existing = dir / "Lauflicht.pbn";
  ASSERT_TRUE(WriteFile(dir / "Lauflicht.pbn", ""));

  QWidget owner;
  owner.show();
  ModalDriver script;
  script.ThenOn<QFileDialog>([&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_EQ(dialog->nameFilters(), QStringList({"Pellburne (*.pbn)"}));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Öffnen"));
    EnterFileName(dialog, existing);
  });
  std::string path;
  EXPECT_TRUE(NativeFileDialog(FromWidget(&owner), "*.pbn", "Pellburne", path, true));
  EXPECT_EQ(path, existing);
  EXPECT_FALSE(script.TimedOut());

  // A missing file is refused with a message; the dialog stays until cancelled.
  bool refused = false;
  ModalDriver missing;
  missing.ThenOn<QFileDialog>([&](QWidget* dialog) { EnterFileName(dialog, dir / "Fehlt.pbn"); })
      .ThenOn<QMessageBox>([&](QWidget* box) {
        refused = true;
        static_cast<QMessageBox*>(box)->accept();
      })
      .ThenOn<QFileDialog>([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  path = "unchanged";
  EXPECT_FALSE(NativeFileDialog(FromWidget(&owner), "*.pbn", "Pellburne", path, true));
  EXPECT_TRUE(refused);
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(missing.Finished());
  EXPECT_FALSE(missing.TimedOut());
}

TEST(WindowServices, SaveDialogAppendsTheExtensionAndAsksBeforeReplacing) {
  TempFolder dir;

  // A name without extension gets the pattern's, for both forms of pattern.
  struct Case {
    std::string pattern, description, typed, expected;
  };
  for (const Case& c :
       {Case{"*.pbn", "Pellburne", "Ampel", "Ampel.pbn"}, Case{"dmp", "Dump-File", "absturz", "absturz.dmp"},
        Case{"*.pbn", "Pellburne", "Ampel.pbn", "Ampel.pbn"}}) {
    ModalDriver script;
    script.ThenOn<QFileDialog>([&](QWidget* widget) {
      auto* dialog = static_cast<QFileDialog*>(widget);
      EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
      EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
      EXPECT_EQ(dialog->nameFilters(), QStringList({QString::fromStdString(c.description + " (" + c.pattern + ")")}));
      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Speichern unter"));
      EnterFileName(dialog, dir / c.typed);
    });
    std::string path;
    EXPECT_TRUE(NativeFileDialog(nullptr, c.pattern, c.description, path, false));
    EXPECT_EQ(path, dir / c.expected);
    EXPECT_FALSE(script.TimedOut());
  }

  const std::string existing = dir / "Alt.pbn";
  ASSERT_TRUE(WriteFile(dir / "Alt.pbn", ""));

  // Declining the overwrite question keeps the dialog open; cancelling then gives false.
  ModalDriver declined;
  declined.ThenOn<QFileDialog>([&](QWidget* dialog) { EnterFileName(dialog, existing); })
      .ThenOn<QMessageBox>([](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); })
      .ThenOn<QFileDialog>([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  std::string path = "unchanged";
  EXPECT_FALSE(NativeFileDialog(nullptr, "*.pbn", "Pellburne", path, false));
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(declined.Finished());
  EXPECT_FALSE(declined.TimedOut());

  // Agreeing replaces.
  ModalDriver agreed;
  agreed.ThenOn<QFileDialog>([&](QWidget* dialog) { EnterFileName(dialog, existing); })
      .ThenOn<QMessageBox>([](QWidget* box) { static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
  EXPECT_TRUE(NativeFileDialog(nullptr, "*.pbn", "Pellburne", path, false));
  EXPECT_EQ(path, existing);
  EXPECT_FALSE(agreed.TimedOut());
}
