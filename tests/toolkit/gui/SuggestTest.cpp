#include "support/Dialogs.h"
#include "ProbeDialog.h"
#include "toolkit/QtWindow.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

using namespace dialogs;

namespace {

// A dialog like the alias dialog: a name edit, the completion edit below
// it, OK and Cancel.
struct SuggestDialog {
  std::vector<std::string> entries{"PORTB.0", "PORTB.1", "PIND.2"};
  int suggestCalls = 0;
  NativeEdit* name = nullptr;
  NativeSuggest* suggest = nullptr;
  NativeButton* okButton = nullptr;
  ProbeDialog* self = nullptr;
  bool ok = false;
  std::vector<std::string> log;

  void Run() {
    ProbeDialog dialog(nullptr, 340, 220, "Alias bearbeiten", [this](ProbeDialog& d) {
      self = &d;
      name = d.Add<NativeEdit>(20, 20, 310, 21, "alias", false);
      suggest = d.Add<NativeSuggest>(20, 50, 310, 21, 100);
      okButton = d.Add<NativeButton>(110, 180, 100, 24, "OK", NativeButton::OkButton);
      d.Add<NativeButton>(230, 180, 100, 24, "Abbrechen", NativeButton::CancelButton);
      suggest->onSuggest.push_back(NativeHandler(&d, &ProbeDialog::Custom));
      d.onCustom = [this](ProbeDialog&, NativeControl* control) {
        ++suggestCalls;
        EXPECT_EQ(control, suggest);
        suggest->SetSuggestions(entries);
      };
    });
    ok = dialog.ok;
    log = dialog.log;
  }

  QLineEdit* Edit() const { return static_cast<QLineEdit*>(ToWidget(suggest->hwnd)); }
  QListWidget* List() const { return static_cast<QListWidget*>(ToWidget(suggest->list)); }
  int Selected() const {
    QListWidgetItem* item = List()->currentItem();
    return item && item->isSelected() ? List()->row(item) : -1;
  }
  bool Open() const { return List()->isVisible(); }
};

TEST(Suggest, FocusOpensTheListBelowTheEditFilledByTheDialog) {
  ModalDriver modals;
  SuggestDialog d;
  bool openAfterFirstEscape = true, dialogUpAfterFirstEscape = false;
  modals.Then([&](QWidget* modal) {
    ASSERT_EQ(Focus(), ToWidget(d.name->hwnd));
    EXPECT_FALSE(d.Open());
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), d.Edit());
    EXPECT_TRUE(d.Open());
    EXPECT_EQ(d.suggestCalls, 1);
    ASSERT_EQ(d.List()->count(), 3);
    EXPECT_EQ(d.List()->item(2)->text(), "PIND.2");
    QPoint origin = d.Edit()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(d.List()->geometry(), QRect(origin.x(), origin.y() + 20, 310, 100));
    EXPECT_EQ(NativeSuggest::suggestRect.left, origin.x());
    EXPECT_EQ(NativeSuggest::suggestRect.top, origin.y());
    EXPECT_EQ(NativeSuggest::suggestRect.right, origin.x() + 310);
    EXPECT_EQ(NativeSuggest::suggestRect.bottom, origin.y() + 120);
    EXPECT_EQ(NativeSuggest::currentHookNativeSuggest, d.suggest);
    // The list never takes the focus or the activation from the dialog.
    EXPECT_EQ(QApplication::activeWindow(), modal);
    // Escape closes the list first, and only a second one the dialog.
    Key(Qt::Key_Escape);
    openAfterFirstEscape = d.Open();
    dialogUpAfterFirstEscape = modal->isVisible();
    EXPECT_FALSE(NativeSuggest::IsHookInstalled());
    Key(Qt::Key_Escape);
  });
  d.Run();
  EXPECT_FALSE(openAfterFirstEscape);
  EXPECT_TRUE(dialogUpAfterFirstEscape);
  EXPECT_FALSE(d.ok);
  EXPECT_FALSE(NativeSuggest::IsHookInstalled());
}

TEST(Suggest, TypingSelectsTheFirstEntryThatBeginsWithTheTextInAnyCase) {
  ModalDriver modals;
  SuggestDialog d;
  int afterPortb = -2, afterX = -2;
  std::string textAfterFirstEnter;
  bool openAfterFirstEnter = true;
  std::vector<std::string> logAfterFirstEnter{"x"};
  modals.Then([&](QWidget*) {
    d.suggest->SetFocus();
    Type("portb");
    afterPortb = d.Selected();
    EXPECT_EQ(d.suggestCalls, 6);
    Type("x");
    afterX = d.Selected();
    Key(Qt::Key_Return);
    textAfterFirstEnter = d.suggest->GetText();
    openAfterFirstEnter = d.Open();
    logAfterFirstEnter = d.self->log;
    Key(Qt::Key_Return);
  });
  d.Run();
  EXPECT_EQ(afterPortb, 0);
  EXPECT_EQ(afterX, -1);
  EXPECT_EQ(textAfterFirstEnter, "portbx");
  EXPECT_FALSE(openAfterFirstEnter);
  EXPECT_TRUE(logAfterFirstEnter.empty());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.log, std::vector<std::string>{"OnOK"});
}

// An empty text begins no entry: clearing the edit leaves nothing selected,
// so Enter keeps it empty. Delete types no character and leaves the list as
// it is.
TEST(Suggest, EmptyTextSelectsNothingAndDeleteDoesNotRefill) {
  ModalDriver modals;
  SuggestDialog d;
  int afterBackspace = -2, afterClick = -2, callsBeforeDelete = 0, callsAfterDelete = 0;
  bool openAfterDelete = true;
  std::string textAfterEnter = "x";
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    Type("p");
    ASSERT_EQ(d.Selected(), 0);
    Key(Qt::Key_Backspace);
    afterBackspace = d.Selected();
    QTest::mouseClick(d.Edit(), Qt::LeftButton, {}, QPoint(5, 5));
    afterClick = d.Selected();
    Key(Qt::Key_Return);
    textAfterEnter = d.suggest->GetText();
    // The list closed; Delete neither opens nor refills it.
    Type("p");
    Key(Qt::Key_Home);
    Key(Qt::Key_Escape);
    callsBeforeDelete = d.suggestCalls;
    // As the keyboard reports it: the key with the text DEL.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    QApplication::sendEvent(Focus(), &press);
    EXPECT_EQ(d.suggest->GetText(), "");
    callsAfterDelete = d.suggestCalls;
    openAfterDelete = d.Open();
  });
  d.Run();
  EXPECT_EQ(afterBackspace, -1);
  EXPECT_EQ(afterClick, -1);
  EXPECT_EQ(textAfterEnter, "");
  EXPECT_EQ(callsAfterDelete, callsBeforeDelete);
  EXPECT_FALSE(openAfterDelete);
}

TEST(Suggest, ArrowAndPageKeysMoveTheSelectionAndEnterTakesIt) {
  ModalDriver modals;
  SuggestDialog d;
  d.entries.clear();
  for (int i = 0; i < 30; ++i) d.entries.push_back(std::string("a").append(std::to_string(i)));
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    Type("a");
    EXPECT_EQ(d.Selected(), 0);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(d.Selected(), 2);
    Key(Qt::Key_Up);
    EXPECT_EQ(d.Selected(), 1);
    // The caret stays where typing left it.
    EXPECT_EQ(d.Edit()->cursorPosition(), 1);
    EXPECT_EQ(d.suggest->GetText(), "a");
    Key(Qt::Key_PageDown);
    int page = d.Selected();
    EXPECT_GT(page, 3);
    EXPECT_LT(page, 10);
    Key(Qt::Key_PageUp);
    int top = d.Selected();
    EXPECT_GE(top, 0);
    EXPECT_LT(top, page - 2);
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_FALSE(d.Open());
    std::string taken = std::string("a").append(std::to_string(top + 1));
    EXPECT_EQ(d.suggest->GetText(), taken);
    EXPECT_EQ(d.Edit()->cursorPosition(), int(taken.size()));
    EXPECT_EQ(Focus(), d.Edit());
  });
  d.Run();
}

TEST(Suggest, PressOnTheCaptionClosesAndAClickInTheListTakesTheEntry) {
  ModalDriver modals;
  SuggestDialog d;
  modals.ThenCancel([&](QWidget* modal) {
    d.suggest->SetFocus();
    Type("p");
    ASSERT_TRUE(d.Open());
    QTest::mouseClick(modal, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(d.Open());
    EXPECT_FALSE(NativeSuggest::IsHookInstalled());
    EXPECT_EQ(Focus(), d.Edit());
    // A click in the edit opens it again; one click on an entry takes it.
    QTest::mouseClick(d.Edit(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(d.Open());
    EXPECT_EQ(d.Selected(), 0);
    QListWidget* list = d.List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    EXPECT_FALSE(d.Open());
    EXPECT_EQ(d.suggest->GetText(), "PIND.2");
    EXPECT_EQ(Focus(), d.Edit());
  });
  d.Run();
}

TEST(Suggest, PressOnOkClosesTheListAndStillReachesTheButton) {
  ModalDriver modals;
  SuggestDialog d;
  modals.Then([&](QWidget*) {
    d.suggest->SetFocus();
    ASSERT_TRUE(d.Open());
    QTest::mouseClick(ToWidget(d.okButton->hwnd), Qt::LeftButton);
  });
  d.Run();
  EXPECT_TRUE(d.ok);
  EXPECT_FALSE(NativeSuggest::IsHookInstalled());
}

TEST(Suggest, TabStaysInTheEditWhileTheListIsOpen) {
  ModalDriver modals;
  SuggestDialog d;
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    ASSERT_TRUE(d.Open());
    int calls = d.suggestCalls;
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), d.Edit());
    EXPECT_TRUE(d.Open());
    EXPECT_EQ(d.suggestCalls, calls);
    Key(Qt::Key_Escape);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), ToWidget(d.okButton->hwnd));
  });
  d.Run();
}

TEST(Suggest, FocusLeavingTheEditClosesTheList) {
  ModalDriver modals;
  SuggestDialog d;
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    ASSERT_TRUE(d.Open());
    d.name->SetFocus();
    EXPECT_FALSE(d.Open());
    EXPECT_FALSE(NativeSuggest::IsHookInstalled());
  });
  d.Run();
}

TEST(Suggest, ScrollBarShowsOnlyWhenTheEntriesDoNotFit) {
  ModalDriver modals;
  SuggestDialog d;
  bool barWithFew = true, barWithMany = false;
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    QApplication::processEvents();
    barWithFew = d.List()->verticalScrollBar()->isVisible();
    for (int i = 0; i < 40; ++i) d.entries.push_back("wert" + std::to_string(i));
    d.suggest->ShowSuggestions();
    QApplication::processEvents();
    barWithMany = d.List()->verticalScrollBar()->isVisible();
  });
  d.Run();
  EXPECT_FALSE(barWithFew);
  EXPECT_TRUE(barWithMany);
}

TEST(Suggest, ScrollBarAndWheelScrollTheListWithoutClosingIt) {
  ModalDriver modals;
  SuggestDialog d;
  d.entries.clear();
  for (int i = 0; i < 40; ++i) d.entries.push_back("wert" + std::to_string(i));
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    ASSERT_TRUE(d.Open());
    QApplication::processEvents();  // lets the list lay out its new entries
    QScrollBar* bar = d.List()->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 20));
    EXPECT_GT(bar->value(), 0);
    EXPECT_TRUE(d.Open());
    EXPECT_EQ(Focus(), d.Edit());
    EXPECT_TRUE(NativeSuggest::IsHookInstalled());
    int before = bar->value();
    QPointF at(10, 10);
    QWheelEvent wheel(at, d.Edit()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(d.Edit(), &wheel);
    EXPECT_GT(bar->value(), before);
  });
  d.Run();
}

TEST(Suggest, DialogEndingWithTheListOpenLeavesNoWatchBehind) {
  ModalDriver modals;
  SuggestDialog d;
  // The control is gone with its dialog; only its list window can be watched.
  QPointer<QListWidget> list;
  modals.Then([&](QWidget*) {
    d.suggest->SetFocus();
    ASSERT_TRUE(NativeSuggest::IsHookInstalled());
    list = d.List();
    d.self->EndDialog();
  });
  d.Run();
  EXPECT_FALSE(NativeSuggest::IsHookInstalled());
  EXPECT_EQ(NativeSuggest::currentHookNativeSuggest, nullptr);
  EXPECT_TRUE(list.isNull());
}

TEST(Suggest, TypingStopsWhenTheTextFillsTheEdit) {
  ModalDriver modals;
  SuggestDialog d;
  std::string text;
  int textWidth = 0;
  modals.ThenCancel([&](QWidget*) {
    d.suggest->SetFocus();
    Type(std::string(120, 'W').c_str());
    text = d.suggest->GetText();
    textWidth = d.Edit()->fontMetrics().horizontalAdvance(d.Edit()->text());
    // Taking an entry still replaces the text whatever its length.
    d.entries = {std::string(200, 'M')};
    d.suggest->ShowSuggestions();
    d.List()->setCurrentRow(0);
    d.suggest->AcceptSuggestion(false);
    EXPECT_EQ(d.suggest->GetText().size(), 200u);
  });
  d.Run();
  EXPECT_GT(text.size(), 5u);
  EXPECT_LT(text.size(), 120u);
  EXPECT_LE(textWidth, 310);
}

}  // namespace
