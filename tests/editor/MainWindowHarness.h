#pragma once
// Shared by the main-window and frame tests: message boxes recorded and
// answered from a script, and modal dialogs and pop-up menus driven by a
// polling timer with a watchdog, so a failing test cannot hang the run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "document/Project.h"
#include "document/Sub.h"
#include "editor/MainWindow.h"
#include "toolkit/Drawing.h"
#include "toolkit/MessageBox.h"
#include "toolkit/QtWindow.h"
#include "../BoxRecorder.h"

// Runs one step on each modal dialog or pop-up menu that comes to the front,
// in order. A watchdog closes whatever is still open after ten seconds.
class ModalDriver {
 public:
  using Step = std::function<void(QWidget*)>;

  explicit ModalDriver(std::vector<Step> steps) : steps(std::move(steps)) {
    QObject::connect(&poll, &QTimer::timeout, [this] { Poll(); });
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      timedOut = true;
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    poll.start(10);
    watchdog.start(10000);
  }
  ~ModalDriver() {
    EXPECT_FALSE(timedOut) << "a dialog or menu stayed open";
    EXPECT_EQ(next, steps.size()) << "fewer dialogs or menus appeared than expected";
  }

  size_t StepsRun() const { return next; }

 private:
  void Poll() {
    QWidget* front = QApplication::activePopupWidget();
    if (!front) front = QApplication::activeModalWidget();
    if (!front || front == handled.data() || next >= steps.size()) return;
    handled = front;
    steps[next++](front);
  }

  std::vector<Step> steps;
  size_t next = 0;
  bool timedOut = false;
  QPointer<QWidget> handled;
  QTimer poll, watchdog;
};

// Steps for the file dialog and the menu.
inline ModalDriver::Step ChooseFile(const std::string& path) {
  return [path](QWidget* widget) {
    ASSERT_NE(qobject_cast<QFileDialog*>(widget), nullptr) << "expected a file dialog";
    // Typed into the name field and confirmed, as a user does.
    auto* edit = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromStdString(path));
    QTest::keyClick(edit, Qt::Key_Return);
  };
}

inline ModalDriver::Step CancelDialog() {
  return [](QWidget* widget) {
    if (auto* dialog = qobject_cast<QDialog*>(widget))
      dialog->reject();
    else
      widget->close();
  };
}

// Chooses the menu entry with the text; records the texts of all entries.
inline ModalDriver::Step ChooseMenuEntry(const QString& text, QStringList* entries = nullptr) {
  return [text, entries](QWidget* widget) {
    auto* menu = qobject_cast<QMenu*>(widget);
    ASSERT_NE(menu, nullptr) << "expected a menu";
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions()) {
      if (entries) entries->append(action->isSeparator() ? QString("-") : action->text());
      if (!action->isSeparator() && action->text() == text) chosen = action;
    }
    if (!chosen) {
      menu->close();
      return;
    }
    menu->setActiveAction(chosen);
    QTest::keyClick(menu, Qt::Key_Return);
  };
}

// A main window on a plain owner widget.
struct MainWindowFixture : ::testing::Test {
  QWidget owner;
  MainWindow main{FromWidget(&owner), 800, 600};

  Sub* SubAt(size_t index) { return main.project->subs.at(index); }
  int SubCount() const { return int(main.project->subs.size()); }
  // A click (press and release) at a client point.
  void Click(int x, int y, int keys = 0) {
    main.OnMouseDown(x, y, keys | 1);
    main.OnMouseUp(x, y, keys);
  }
};

// Pixel colours without alpha.
inline uint32_t Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
inline uint32_t Rgb(const Color& color) { return color.argb & 0xFFFFFF; }

// A folder of its own for one test's files.
class TempFolder {
 public:
  TempFolder() {
    path = std::filesystem::temp_directory_path() /
           ("pellburne-editor-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }

 private:
  static inline int counter = 0;
  std::filesystem::path path;
};
