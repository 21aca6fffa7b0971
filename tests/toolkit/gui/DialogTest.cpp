#include "support/Dialogs.h"
#include "ProbeDialog.h"
#include "toolkit/QtWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolTip>

using namespace dialogs;

namespace {

TEST(Dialog, WindowSizeCaptionAndControlBoxes) {
  ModalDriver modals;
  NativeEdit* edit = nullptr;
  NativeListbox* list = nullptr;
  NativeLabel* label = nullptr;
  NativeButton *okButton = nullptr, *cancelButton = nullptr, *normal = nullptr;
  NativeWindow during = nullptr;
  modals.ThenCancel([&](QWidget* modal) {
    EXPECT_EQ(FromWidget(modal), during);
    EXPECT_EQ(modal->size(), QSize(488, 178));
    EXPECT_TRUE(modal->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(modal->isModal());
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Übertragen"));
    EXPECT_EQ(W(label)->geometry(), QRect(10, 34, 400, 20));
    EXPECT_EQ(W(edit)->geometry(), QRect(10, 60, 200, 21));
    EXPECT_EQ(W(list)->geometry(), QRect(220, 60, 150, 60));
    EXPECT_EQ(W(okButton)->geometry(), QRect(190, 134, 100, 24));
    EXPECT_EQ(W(cancelButton)->geometry(), QRect(300, 134, 100, 24));
    for (NativeControl* control : {static_cast<NativeControl*>(edit), static_cast<NativeControl*>(list)})
      EXPECT_EQ(W(control)->parentWidget(), modal);
    // The first control that takes the focus has it.
    EXPECT_EQ(Focus(), W(okButton));
  });
  ProbeDialog dialog(nullptr, 480, 150, "Übertragen", [&](ProbeDialog& d) {
    during = d.hwnd;
    label = d.Add<NativeLabel>(10, 10, 400, 20, "Erzeuge Code");
    okButton = d.Add<NativeButton>(190, 110, 100, 24, "OK", NativeButton::OkButton);
    edit = d.Add<NativeEdit>(10, 36, 200, 21, "abc", false);
    cancelButton = d.Add<NativeButton>(300, 110, 100, 24, "Abbrechen", NativeButton::CancelButton);
    list = d.Add<NativeListbox>(220, 36, 150, 60);
    normal = d.Add<NativeButton>(10, 110, 100, 24, "Neu", NativeButton::NormalButton);
  });
  EXPECT_FALSE(dialog.ok);
  EXPECT_EQ(dialog.hwnd, nullptr);
  // OK and Cancel take 1 and 2 without using up numbers; labels have none.
  EXPECT_EQ(label->id, 0);
  EXPECT_EQ(okButton->id, 1);
  EXPECT_EQ(edit->id, 1001);
  EXPECT_EQ(cancelButton->id, 2);
  EXPECT_EQ(list->id, 1002);
  EXPECT_EQ(normal->id, 1003);
  EXPECT_EQ(*dialog.title, "Übertragen");
  // The dialog's end took the windows with it.
  EXPECT_EQ(edit->hwnd, nullptr);
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(edit->GetText(), "");
}

// The dialog font is asked for by its cell height: 16 pixels from the top of
// the highest glyph to the bottom of the lowest, whatever family stands in.
TEST(Dialog, FontHasACellHeightOfSixteenPixels) {
  ModalDriver modals;
  NativeEdit* edit = nullptr;
  NativeLabel* label = nullptr;
  int dialogHeight = 0, editHeight = 0, labelHeight = 0;
  modals.ThenCancel([&](QWidget* modal) {
    dialogHeight = QFontMetrics(modal->font()).height();
    editHeight = QFontMetrics(W(edit)->font()).height();
    labelHeight = QFontMetrics(W(label)->font()).height();
  });
  ProbeDialog dialog(nullptr, 200, 100, "Test", [&](ProbeDialog& d) {
    label = d.Add<NativeLabel>(10, 10, 100, 20, "Name");
    edit = d.Add<NativeEdit>(10, 40, 100, 21, "", false);
  });
  EXPECT_EQ(dialogHeight, 16);
  EXPECT_EQ(editHeight, 16);
  EXPECT_EQ(labelHeight, 16);
}

TEST(Dialog, OkButtonAsksOnOkAndSkipsItsClickList) {
  ModalDriver modals;
  NativeButton* okButton = nullptr;
  ProbeDialog* self = nullptr;
  modals.ThenCancel([&](QWidget*) {
    self->acceptOK = false;
    QTest::mouseClick(W(okButton), Qt::LeftButton);
    // A refusing OnOK keeps the dialog open and ok unchanged.
    EXPECT_TRUE(W(okButton)->isVisible());
    EXPECT_FALSE(self->ok);
    self->acceptOK = true;
    QTest::mouseClick(W(okButton), Qt::LeftButton);
  });
  ProbeDialog dialog(nullptr, 200, 100, "Test", [&](ProbeDialog& d) {
    self = &d;
    okButton = d.Add<NativeButton>(10, 10, 80, 24, "OK", NativeButton::OkButton);
    okButton->onClick.push_back(NativeHandler(&d, &ProbeDialog::First));
  });
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"OnOK", "OnOK"}));
}

TEST(Dialog, CancelButtonEndsWithoutOk) {
  ModalDriver modals;
  NativeButton* cancel = nullptr;
  modals.Then([&](QWidget*) { QTest::mouseClick(W(cancel), Qt::LeftButton); });
  ProbeDialog dialog(nullptr, 200, 100, "Test", [&](ProbeDialog& d) {
    d.Add<NativeButton>(10, 10, 80, 24, "OK", NativeButton::OkButton);
    cancel = d.Add<NativeButton>(100, 10, 80, 24, "Abbrechen", NativeButton::CancelButton);
    cancel->onClick.push_back(NativeHandler(&d, &ProbeDialog::First));
  });
  EXPECT_FALSE(dialog.ok);
  EXPECT_TRUE(dialog.log.empty());
}

TEST(Dialog, EnterInSingleLineEditIsOkAndEscapeCancels) {
  ModalDriver modals;
  ProbeDialog* self = nullptr;
  modals.Then([&](QWidget*) {
    self->acceptOK = false;
    Key(Qt::Key_Return);
    EXPECT_EQ(self->log, std::vector<std::string>{"OnOK"});
    Key(Qt::Key_Escape);
  });
  ProbeDialog refused(nullptr, 200, 100, "Test", [&](ProbeDialog& d) {
    self = &d;
    d.Add<NativeEdit>(10, 10, 100, 21, "x", false);
  });
  EXPECT_FALSE(refused.ok);

  modals.Then([&](QWidget*) { Key(Qt::Key_Enter); });
  ProbeDialog accepted(nullptr, 200, 100, "Test",
                       [&](ProbeDialog& d) { d.Add<NativeEdit>(10, 10, 100, 21, "x", false); });
  EXPECT_TRUE(accepted.ok);
  EXPECT_EQ(accepted.log, std::vector<std::string>{"OnOK"});
}

// Enter is always the dialog's OK, wherever the focus is: a focused button is
// pressed by Space, not by Enter.
TEST(Dialog, EnterOnAFocusedButtonIsOkAndSpacePressesIt) {
  ModalDriver modals;
  NativeButton *normal = nullptr, *cancel = nullptr;
  ProbeDialog* self = nullptr;
  std::vector<std::string> afterSpace, afterEnterOnNormal;
  modals.ThenCancel([&](QWidget*) {
    self->acceptOK = false;
    W(normal)->setFocus();
    Key(Qt::Key_Space);
    afterSpace = self->log;
    self->log.clear();
    Key(Qt::Key_Return);
    afterEnterOnNormal = self->log;
    self->acceptOK = true;
    W(cancel)->setFocus();
    Key(Qt::Key_Return);
  });
  ProbeDialog dialog(nullptr, 300, 100, "Test", [&](ProbeDialog& d) {
    self = &d;
    normal = d.Add<NativeButton>(10, 10, 80, 24, "Neu", NativeButton::NormalButton);
    normal->onClick.push_back(NativeHandler(&d, &ProbeDialog::First));
    cancel = d.Add<NativeButton>(100, 10, 80, 24, "Abbrechen", NativeButton::CancelButton);
  });
  EXPECT_EQ(afterSpace, std::vector<std::string>{"first 1001"});
  EXPECT_EQ(afterEnterOnNormal, std::vector<std::string>{"OnOK"});
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"OnOK", "OnOK"}));
}

TEST(Dialog, MultiLineEditTakesCtrlEnterAsLineBreakAndEnterAsOk) {
  ModalDriver modals;
  NativeEdit* edit = nullptr;
  std::string textBeforeOk;
  modals.Then([&](QWidget*) {
    ASSERT_EQ(Focus(), W(edit));
    QTest::keyClick(Focus(), Qt::Key_End, Qt::ControlModifier);
    Type("Zeile");
    Key(Qt::Key_Return, Qt::ControlModifier);
    Type("zwei");
    textBeforeOk = edit->GetText();
    Key(Qt::Key_Return);
  });
  ProbeDialog dialog(nullptr, 300, 200, "Kommentar",
                     [&](ProbeDialog& d) { edit = d.Add<NativeEdit>(10, 10, 280, 150, "Erste ", true); });
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(textBeforeOk, "Erste Zeile\nzwei");
}

TEST(Dialog, HandlerListsRunInOrderWithTheControl) {
  ModalDriver modals;
  NativeButton* button = nullptr;
  NativeEdit* edit = nullptr;
  ProbeDialog* self = nullptr;
  modals.Then([&](QWidget*) {
    QTest::mouseClick(W(button), Qt::LeftButton);
    EXPECT_EQ(self->log, (std::vector<std::string>{"second 1001", "first 1001", "second 1001"}));
    self->log.clear();
    W(edit)->setFocus();
    Type("ab");
    EXPECT_EQ(self->log, (std::vector<std::string>{"first 1002", "first 1002"}));
    Key(Qt::Key_Escape);
  });
  ProbeDialog dialog(nullptr, 300, 100, "Test", [&](ProbeDialog& d) {
    self = &d;
    button = d.Add<NativeButton>(10, 10, 80, 24, "Neu", NativeButton::NormalButton);
    button->onClick.push_back(NativeHandler(&d, &ProbeDialog::Second));
    button->onClick.push_back(NativeHandler(&d, &ProbeDialog::First));
    button->onClick.push_back(NativeHandler(&d, &ProbeDialog::Second));
    edit = d.Add<NativeEdit>(10, 40, 100, 21, "", false);
    edit->onChange.push_back(NativeHandler(&d, &ProbeDialog::First));
  });
  EXPECT_FALSE(dialog.ok);
}

TEST(Dialog, ListboxNotifiesUserSelectionsAndDoubleClicksOnly) {
  ModalDriver modals;
  NativeListbox* list = nullptr;
  ProbeDialog* self = nullptr;
  modals.ThenCancel([&](QWidget*) {
    auto* widget = static_cast<QListWidget*>(W(list));
    // Programmatic changes are silent.
    list->SetSelection(1);
    list->SetItem(1, "Zwei!", nullptr);
    EXPECT_TRUE(self->log.empty());
    widget->setFocus();
    Key(Qt::Key_Down);
    EXPECT_EQ(list->GetSelection(), 2);
    EXPECT_EQ(self->log, std::vector<std::string>{"first 1001"});
    QPoint first = widget->visualItemRect(widget->item(0)).center();
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(list->GetSelection(), 0);
    // A click on the entry that is already selected notifies again.
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(self->log.size(), 3u);
    self->log.clear();
    QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(self->log, std::vector<std::string>{"second 1001"});
  });
  ProbeDialog dialog(nullptr, 300, 200, "Test", [&](ProbeDialog& d) {
    self = &d;
    list = d.Add<NativeListbox>(10, 10, 200, 150);
    list->AddItem("Eins", nullptr);
    list->AddItem("Zwei", nullptr);
    list->AddItem("Drei", nullptr);
    list->onSelectionChange.push_back(NativeHandler(&d, &ProbeDialog::First));
    list->onDoubleClick.push_back(NativeHandler(&d, &ProbeDialog::Second));
  });
}

TEST(Dialog, ListboxEntriesTextsDataAndHeight) {
  ModalDriver modals;
  int a = 1, b = 2, c = 3;
  NativeListbox* list = nullptr;
  std::string seen = "unchanged";
  int firstIndex = -1, secondIndex = -1, heightSeen = 0;
  modals.ThenCancel([&](QWidget*) {});
  ProbeDialog dialog(nullptr, 300, 200, "Test", [&](ProbeDialog& d) {
    list = d.Add<NativeListbox>(10, 10, 200, 150);
    // A replaced entry keeps its place and the selection, with new text and data.
    firstIndex = list->AddItem("alpha", &a);
    secondIndex = list->AddItem("beta", &b);
    list->AddItem("gamma", &a);
    list->SetSelection(1);
    list->SetItem(1, "BETA", &c);
    list->GetText(7, seen);
    list->SetItemHeight(30);
    auto* widget = static_cast<QListWidget*>(ToWidget(list->hwnd));
    heightSeen = widget->sizeHintForRow(0);
    EXPECT_EQ(list->GetCount(), 3);
    EXPECT_EQ(list->GetSelection(), 1);
    std::string text;
    list->GetText(1, text);
    EXPECT_EQ(text, "BETA");
    EXPECT_EQ(list->GetItemData(1), &c);
    EXPECT_EQ(list->GetItemData(2), &a);
    EXPECT_EQ(list->GetItemData(3), nullptr);
    list->SetSelection(-1);
    EXPECT_EQ(list->GetSelection(), -1);
  });
  EXPECT_EQ(firstIndex, 0);
  EXPECT_EQ(secondIndex, 1);
  EXPECT_EQ(seen, "unchanged");
  EXPECT_EQ(heightSeen, 30);
}

TEST(Dialog, BalloonTipAndControlDeletedWhileTheDialogRuns) {
  ModalDriver modals;
  NativeEdit* edit = nullptr;
  ProbeDialog* self = nullptr;
  bool tipShown = false;
  QString tip;
  QPointer<QWidget> labelWindow;
  modals.ThenCancel([&](QWidget* modal) {
    edit->ShowBalloonTip("Fehler", "Ungültiger Name", true);
    tipShown = QToolTip::isVisible();
    tip = QToolTip::text();
    QToolTip::hideText();
    // A control deleted early takes its window with it; the dialog goes on.
    NativeControl* label = self->controls.back();
    labelWindow = W(label);
    self->controls.pop_back();
    delete label;
    EXPECT_TRUE(modal->isVisible());
  });
  ProbeDialog dialog(nullptr, 300, 100, "Test", [&](ProbeDialog& d) {
    self = &d;
    edit = d.Add<NativeEdit>(10, 10, 100, 21, "", false);
    d.Add<NativeLabel>(10, 40, 100, 21, "weg");
  });
  EXPECT_TRUE(tipShown);
  EXPECT_TRUE(tip.contains("Fehler"));
  EXPECT_TRUE(tip.contains(QString::fromUtf8("Ungültiger Name")));
  EXPECT_TRUE(labelWindow.isNull());
}

TEST(Dialog, TimerTicksUntilTheDialogEndsItself) {
  ModalDriver modals;
  ProbeDialog dialog(nullptr, 200, 100, "Test", [&](ProbeDialog& d) {
    d.SetTimer(1, 5);
    d.onTimer = [](ProbeDialog& self) {
      if (self.ticks == 3) {
        self.ok = true;
        self.EndDialog();
      }
    };
  });
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.ticks, 3);
  EXPECT_TRUE(dialog.log.empty());
}

TEST(Dialog, EndedWhileBuildingNeverShows) {
  ModalDriver modals;
  ProbeDialog dialog(nullptr, 200, 100, "Test", [](ProbeDialog& d) { d.EndDialog(); });
  EXPECT_FALSE(dialog.ok);
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, QPoint globalShift = {}) {
  QPoint global = widget->mapToGlobal(local) + globalShift;
  Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(local), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

TEST(Dialog, CaptionBandDragsTheWindow) {
  ModalDriver modals;
  QPoint start, afterBand, afterBody;
  modals.ThenCancel([&](QWidget* modal) {
    start = modal->pos();
    SendMouse(modal, QEvent::MouseButtonPress, QPoint(50, 24));
    SendMouse(modal, QEvent::MouseMove, QPoint(50, 24), QPoint(30, 40));
    SendMouse(modal, QEvent::MouseButtonRelease, QPoint(50, 24), QPoint(30, 40));
    afterBand = modal->pos();
    SendMouse(modal, QEvent::MouseButtonPress, QPoint(50, 25));
    SendMouse(modal, QEvent::MouseMove, QPoint(50, 25), QPoint(30, 40));
    SendMouse(modal, QEvent::MouseButtonRelease, QPoint(50, 25), QPoint(30, 40));
    afterBody = modal->pos();
  });
  ProbeDialog dialog(nullptr, 200, 100, "Test", {});
  EXPECT_EQ(afterBand, start + QPoint(30, 40));
  EXPECT_EQ(afterBody, afterBand);
}

TEST(Dialog, PaintsBandFrameButtonsAndEdits) {
  ModalDriver modals;
  NativeButton *focused = nullptr, *other = nullptr;
  NativeEdit *single = nullptr, *multi = nullptr;
  QImage image;
  modals.ThenCancel([&](QWidget* modal) {
    W(focused)->setFocus();
    image = modal->grab().toImage();
  });
  ProbeDialog dialog(nullptr, 300, 200, "Titel", [&](ProbeDialog& d) {
    single = d.Add<NativeEdit>(10, 10, 120, 24, "", false);
    multi = d.Add<NativeEdit>(150, 10, 120, 60, "", true);
    focused = d.Add<NativeButton>(10, 150, 100, 24, "OK", NativeButton::OkButton);
    other = d.Add<NativeButton>(150, 150, 100, 24, "Abbrechen", NativeButton::CancelButton);
  });
  ASSERT_EQ(image.size(), QSize(308, 228));
  const QColor grey(0xD8, 0xD8, 0xD8), background(0xF5, 0xF6, 0xF8);
  EXPECT_EQ(image.pixelColor(20, 12), grey);                 // caption band
  EXPECT_EQ(image.pixelColor(300, 12), grey);                // band reaches the right edge
  EXPECT_EQ(image.pixelColor(1, 120), grey);                 // frame, left
  EXPECT_EQ(image.pixelColor(306, 120), grey);               // frame, right
  EXPECT_EQ(image.pixelColor(150, 226), grey);               // frame, bottom
  EXPECT_EQ(image.pixelColor(150, 120), background);         // body
  EXPECT_EQ(image.pixelColor(12, 176), QColor(0xD4, 0, 0));  // focused button, left of its text
  EXPECT_EQ(image.pixelColor(152, 176), QColor(0x33, 0x66, 0x99));
  // Inside the edits, clear of frame and text.
  EXPECT_EQ(image.pixelColor(120, 46), background);
  EXPECT_EQ(image.pixelColor(260, 80), QColor(Qt::white));
  // White text in the middle of a button, dark grey title text in the band.
  bool white = false, title = false;
  for (int x = 10; x < 110; ++x)
    for (int y = 174; y < 198; ++y)
      white |= qMin(qMin(image.pixelColor(x, y).red(), image.pixelColor(x, y).green()), image.pixelColor(x, y).blue()) >
               0xD0;
  for (int x = 120; x < 190; ++x)
    for (int y = 2; y < 22; ++y) title |= image.pixelColor(x, y).red() < 0xB0;
  EXPECT_TRUE(white);
  EXPECT_TRUE(title);
}

TEST(Dialog, NestedDialogIsOwnedByTheOuterOne) {
  ModalDriver modals;
  NativeButton* open = nullptr;
  QWidget* outerWindow = nullptr;
  QWidget* innerParent = nullptr;
  bool innerOk = true;
  modals.ThenCancel([&](QWidget* modal) {
    outerWindow = modal;
    QTest::mouseClick(W(open), Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), modal);
  });
  ProbeDialog outer(nullptr, 300, 200, "Außen", [&](ProbeDialog& d) {
    open = d.Add<NativeButton>(10, 10, 80, 24, "Neu", NativeButton::NormalButton);
    open->onClick.push_back(NativeHandler(&d, &ProbeDialog::Custom));
    d.onCustom = [&](ProbeDialog& self, NativeControl*) {
      modals.ThenCancel([&](QWidget* inner) {
        innerParent = inner->parentWidget();
        QTest::keyClick(inner, Qt::Key_Escape);
      });
      ProbeDialog inner(self.hwnd, 100, 50, "Innen", {});
      innerOk = inner.ok;
    };
  });
  EXPECT_EQ(innerParent, outerWindow);
  EXPECT_FALSE(innerOk);
}

}  // namespace
