#pragma once
// Driving the editor's dialogs in tests: the running dialog object behind the
// modal window, clicks on list entries, and message boxes recorded instead of
// shown.
#include "../BoxRecorder.h"
#include "../toolkit/gui/DialogDriver.h"
#include "toolkit/Gui.h"
#include "toolkit/MessageBox.h"
#include "toolkit/QtGui.h"
#include "toolkit/QtWindow.h"

#include <QListWidget>
#include <QTest>

#include <deque>
#include <string>
#include <vector>

namespace DialogTest {

inline QWidget* W(NativeControl* control) { return ToWidget(control->hwnd); }

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
    for (int i = 0; i < widget->count(); ++i)
      entries.push_back(widget->item(i)->text().toStdString());
  return entries;
}

inline void Click(NativeControl* button) { QTest::mouseClick(W(button), Qt::LeftButton); }
inline void Escape(QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); }


} // namespace DialogTest
