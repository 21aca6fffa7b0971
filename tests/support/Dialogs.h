#pragma once
// Driving modal dialogs and pop-up menus in tests. While the code under test
// sits in a dialog's or a menu's own loop, a ModalDriver runs the test's
// steps from the event loop, each on the window it waits for; its watchdog
// closes whatever is still open after a while, so a failing step cannot hang
// the run. Beside it, in namespace dialogs: ready-made steps, typing where
// the focus is, and the toolkit's controls as the widgets behind them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/Gui.h"
#include "toolkit/QtGui.h"
#include "toolkit/QtWindow.h"

class ModalDriver {
public:
  using Act = std::function<void(QWidget*)>;
  using Condition = std::function<bool(QWidget* front)>;

  // One step for each window that comes to the front, in order.
  explicit ModalDriver(std::vector<Act> steps = {}, int watchdogMilliseconds = 10000) {
    for (Act& act : steps) Then(std::move(act));
    QObject::connect(&poll, &QTimer::timeout, &context, [this] { Tick(); });
    poll.start(5);
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &context, [this] {
      timedOut = true;
      CloseAll();
      // Windows opened again by what was closed go too.
      watchdog.start(100);
    });
    watchdog.start(watchdogMilliseconds);
  }
  explicit ModalDriver(int watchdogMilliseconds) : ModalDriver({}, watchdogMilliseconds) {}
  ~ModalDriver() {
    EXPECT_FALSE(timedOut) << "a dialog or menu stayed open until the watchdog closed it";
    EXPECT_EQ(next, steps.size()) << "fewer dialogs or menus came up than there are steps";
  }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Acts on the next window at the front that no step has had yet, once it
  // is shown and active. A dialog the act leaves open stays so: the act's
  // own click is to close it, or a later step's.
  ModalDriver& Then(Act act) { return Add(New(), std::move(act), false); }
  // The same, and a dialog the act leaves open is cancelled after it.
  ModalDriver& ThenCancel(Act act) { return Add(New(), std::move(act), true); }
  // Acts on the window at the front once it is a T and shown, even one an
  // earlier step had, and whether active or not (offscreen, a dialog does
  // not always become active again when one over it closes): for acts that
  // reach the window itself, not the focus.
  template <typename T>
  ModalDriver& ThenOn(Act act) {
    return Add([](QWidget* front) { return qobject_cast<T*>(front) && front->isVisible(); }, std::move(act), false);
  }
  // Waits until the condition holds for the window at the front (null when
  // none is open).
  ModalDriver& Until(Condition condition) { return Add(std::move(condition), {}, false); }

  // Looks once more (a window may have closed since the last tick) and tells
  // whether every step is done.
  bool Finished() {
    Tick();
    return next == steps.size() && !scheduled;
  }
  size_t StepsDone() const { return next; }
  bool TimedOut() const { return timedOut; }

  // An open pop-up menu, else the active modal window; null when neither.
  static QWidget* Front() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    return QApplication::activeModalWidget();
  }

  // Closes every open pop-up menu and modal window.
  static void CloseAll() {
    for (int round = 0; round < 10; ++round) {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        continue;
      }
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
      else
        modal->close();
      if (QApplication::activeModalWidget() == modal) modal->hide();
    }
  }

private:
  struct Step {
    Condition ready;
    Act act;
    bool cancelAfter;
  };

  // Keys and clicks reach a window only once it is up and active.
  static bool Ready(QWidget* window) {
    return window->isVisible() &&
           (window == QApplication::activePopupWidget() || QApplication::activeWindow() == window);
  }
  Condition New() {
    return [this](QWidget* front) { return front && Ready(front) && !Had(front); };
  }
  bool Had(QWidget* window) const {
    for (const QPointer<QWidget>& seen : had)
      if (seen == window) return true;
    return false;
  }
  ModalDriver& Add(Condition ready, Act act, bool cancelAfter) {
    steps.push_back({std::move(ready), std::move(act), cancelAfter});
    return *this;
  }

  void Tick() {
    QWidget* front = Front();
    while (!scheduled && next < steps.size() && steps[next].ready(front)) {
      const Step& step = steps[next++];
      if (!step.act) continue;
      had.emplace_back(front);
      // An act may open a nested modal loop: run from a timer of its own, it
      // leaves this one polling for the next step meanwhile.
      scheduled = true;
      QTimer::singleShot(0, &context,
                         [this, target = QPointer<QWidget>(front), act = step.act, cancelAfter = step.cancelAfter] {
                           scheduled = false;
                           if (!target) return;
                           act(target);
                           if (cancelAfter && target && QApplication::activeModalWidget() == target)
                             if (auto* dialog = qobject_cast<QDialog*>(target.data())) dialog->reject();
                         });
    }
  }

  QObject context;  // ends the timers' calls with the driver
  std::vector<Step> steps;
  size_t next = 0;
  bool scheduled = false, timedOut = false;
  std::vector<QPointer<QWidget>> had;
  QTimer poll, watchdog;
};

namespace dialogs {

// Types the path into a file dialog's name field and confirms it, as a user does.
inline void EnterFileName(QWidget* widget, const std::string& path) {
  ASSERT_NE(qobject_cast<QFileDialog*>(widget), nullptr) << "expected a file dialog";
  auto* edit = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(QString::fromStdString(path));
  QTest::keyClick(edit, Qt::Key_Return);
}

// Steps for the file dialog, any dialog and a menu.
inline ModalDriver::Act ChooseFile(const std::string& path) {
  return [path](QWidget* widget) { EnterFileName(widget, path); };
}

inline ModalDriver::Act CancelDialog() {
  return [](QWidget* widget) {
    if (auto* dialog = qobject_cast<QDialog*>(widget))
      dialog->reject();
    else
      widget->close();
  };
}

// Chooses the menu entry with the text; records the texts of all entries.
inline ModalDriver::Act ChooseMenuEntry(const QString& text, QStringList* entries = nullptr) {
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

inline void Escape(QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); }

inline QWidget* W(NativeControl* control) { return ToWidget(control->hwnd); }

inline void Click(NativeControl* button) { QTest::mouseClick(W(button), Qt::LeftButton); }

// The dialog object whose window is the modal one.
template <typename Dialog>
Dialog* Running(QWidget* modal) {
  auto* window = dynamic_cast<DialogWindow*>(modal);
  return window ? static_cast<Dialog*>(window->Dialog()) : nullptr;
}

// The box of (x, y, w, h) as the toolkit places it: below the caption band.
inline QRect Box(int x, int y, int w, int h) { return QRect(x, y + NativeDialog::CaptionHeight, w, h); }

inline QListWidget* ListWidget(NativeListbox* list) { return qobject_cast<QListWidget*>(W(list)); }

inline void ClickEntry(NativeListbox* list, int index) {
  QListWidget* widget = ListWidget(list);
  ASSERT_NE(widget, nullptr);
  QRect rect = widget->visualItemRect(widget->item(index));
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rect.center());
}

inline void DoubleClickEntry(NativeListbox* list, int index) {
  QListWidget* widget = ListWidget(list);
  ASSERT_NE(widget, nullptr);
  QRect rect = widget->visualItemRect(widget->item(index));
  QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, rect.center());
  QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, rect.center());
}

inline std::vector<std::string> Entries(NativeListbox* list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list->GetCount(); ++i) {
    std::string text;
    list->GetText(i, text);
    entries.push_back(text);
  }
  return entries;
}

// The entries of a completion edit's list.
inline std::vector<std::string> Suggestions(NativeSuggest* suggest) {
  std::vector<std::string> entries;
  if (auto* widget = qobject_cast<QListWidget*>(ToWidget(suggest->list)))
    for (int i = 0; i < widget->count(); ++i) entries.push_back(widget->item(i)->text().toStdString());
  return entries;
}

}  // namespace dialogs
