#include "support/Dialogs.h"
#include "ProbeDialog.h"
#include "toolkit/MessageBox.h"
#include "toolkit/QtWindow.h"

#include <QAbstractButton>
#include <QMessageBox>

using namespace dialogs;

namespace {

struct QtBoxes {
  QtBoxes() {
    previous = MessageBox::SetService({});
    MessageBox::UseQtMessageBoxes();
  }
  ~QtBoxes() { MessageBox::SetService(previous); }
  MessageBox::Service previous;
};

TEST(QtMessageBox, OwnedBoxShowsTextCaptionButtonsAndIconOverItsDialog) {
  ModalDriver modals;
  QtBoxes boxes;
  NativeButton* button = nullptr;
  QWidget* dialogWindow = nullptr;
  QMessageBox* seen = nullptr;
  QWidget* seenParent = nullptr;
  QString text, caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  MessageBox::Result answer = MessageBox::Result::Ok;
  modals.ThenCancel([&](QWidget* modal) {
    dialogWindow = modal;
    QTest::mouseClick(ToWidget(button->hwnd), Qt::LeftButton);
  });
  ProbeDialog dialog(nullptr, 300, 100, "Name bearbeiten", [&](ProbeDialog& d) {
    button = d.Add<NativeButton>(10, 10, 80, 24, "Löschen", NativeButton::NormalButton);
    button->onClick.push_back(NativeHandler(&d, &ProbeDialog::Custom));
    d.onCustom = [&](ProbeDialog& self, NativeControl*) {
      modals.ThenCancel([&](QWidget* modal) {
        seen = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(seen, nullptr);
        seenParent = seen->parentWidget();
        text = seen->text();
        caption = seen->windowTitle();
        icon = seen->icon();
        buttons = seen->standardButtons();
        QTest::mouseClick(seen->button(QMessageBox::Yes), Qt::LeftButton);
      });
      answer = MessageBox::Show(self.hwnd, "Willst du das Unterpgramm mitsamt allen Blöcken löschen?", "Löschen",
                                MessageBox::Buttons::YesNo, MessageBox::Icon::Question);
    };
  });
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seenParent, dialogWindow);
  EXPECT_EQ(text, QString::fromUtf8("Willst du das Unterpgramm mitsamt allen Blöcken löschen?"));
  EXPECT_EQ(caption, QString::fromUtf8("Löschen"));
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(answer, MessageBox::Result::Yes);
}

TEST(QtMessageBox, BoxWithoutOwnerAnswersCancelWhenClosed) {
  ModalDriver modals;
  QtBoxes boxes;
  QWidget* parent = reinterpret_cast<QWidget*>(1);
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  modals.ThenCancel([&](QWidget* modal) {
    parent = modal->parentWidget();
    icon = static_cast<QMessageBox*>(modal)->icon();
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  EXPECT_EQ(MessageBox::Show("Willst du die Änderungen an der Datei speichern, bevor sie geschlossen wird?",
                             "Änderungen speichern?", MessageBox::Buttons::YesNoCancel, MessageBox::Icon::Question),
            MessageBox::Result::Cancel);
  EXPECT_EQ(parent, nullptr);
  EXPECT_EQ(icon, QMessageBox::Question);

  modals.ThenCancel([&](QWidget* modal) {
    icon = static_cast<QMessageBox*>(modal)->icon();
    QTest::keyClick(modal, Qt::Key_Return);
  });
  EXPECT_EQ(MessageBox::Show("Datei konnte nicht gelesen werden?\nIst sie ungültig oder beschädigt?", "Lesefehler"),
            MessageBox::Result::Ok);
  EXPECT_EQ(icon, QMessageBox::Information);
}

}  // namespace
