// Qt's own texts are German whatever the locale: the test binaries run with
// LANG=C.UTF-8 (GuiTestMain.cpp).
#include "support/Dialogs.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowServices.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>

#include <cstdlib>

using namespace dialogs;

namespace {

QString Plain(QString text) { return text.remove(QLatin1Char('&')); }

TEST(GermanQtTexts, QuestionBoxAndFileDialogsAreGermanInTheCLocale) {
  ASSERT_STREQ(std::getenv("LANG"), "C.UTF-8");
  ASSERT_NE(QLocale::system().language(), QLocale::German);
  ASSERT_TRUE(UseGermanQtTexts());
  ModalDriver modals;

  MessageBox::Service previous = MessageBox::SetService({});
  MessageBox::UseQtMessageBoxes();
  QStringList buttons;
  modals.ThenCancel([&](QWidget* modal) {
    for (QAbstractButton* button : static_cast<QMessageBox*>(modal)->buttons()) buttons << Plain(button->text());
  });
  MessageBox::Show("Willst du die Änderungen an der Datei speichern, bevor sie geschlossen wird?",
                   "Änderungen speichern?", MessageBox::Buttons::YesNoCancel, MessageBox::Icon::Question);
  MessageBox::SetService(previous);
  buttons.sort();
  EXPECT_EQ(buttons, QStringList({"Abbrechen", "Ja", "Nein"}));

  struct Case {
    bool open;
    const char* accept;
  } cases[] = {{true, "Öffnen"}, {false, "Speichern"}};
  for (const Case& c : cases) {
    QStringList labels;
    modals.ThenCancel([&](QWidget* modal) {
      auto* dialog = static_cast<QFileDialog*>(modal);
      for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType, QFileDialog::Accept,
                         QFileDialog::Reject})
        labels << Plain(dialog->labelText(label));
    });
    std::string path;
    NativeFileDialog(nullptr, "*.pbn", "Pellburne", path, c.open);
    EXPECT_EQ(labels,
              QStringList({"Suchen in:", "Dateiname:", "Dateien des Typs:", QString::fromUtf8(c.accept), "Abbrechen"}));
  }
}

}  // namespace
