// Qt's own texts are German whatever the locale: the test binaries run with
// LANG=C.UTF-8 (GuiTestMain.cpp).
#include "support/Dialogs.h"
#include "support/Files.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowServices.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QTreeView>

#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>

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

// Sizes and dates in German whatever the locale, and a file's type told by
// its name alone: the dialog never reads a file to name its type, which for
// some files (/proc/kmsg) never returns.
TEST(GermanQtTexts, FileDialogDetailsAreGermanAndTypesComeFromTheName) {
  TempFolder folder;
  WriteFile(folder / "Blinker.pbn", std::string(1536, 'x'));
  std::string png = "\x89PNG\r\n\x1a\n";  // PNG's signature, in a file without an extension
  png.resize(208);
  WriteFile(folder / "daten", png);
  WriteFile(folder / "leer", "");
  const QDateTime modified(QDate(2026, 12, 7), QTime(14, 3));
  const struct timespec times[2] = {{modified.toSecsSinceEpoch(), 0}, {modified.toSecsSinceEpoch(), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "Blinker.pbn").c_str(), times, 0), 0);

  std::map<QString, QStringList> rows;  // name: size, type, date
  ModalDriver modals;
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = static_cast<QFileDialog*>(modal);
    dialog->setDirectory(QString::fromStdString(folder.path.string()));
    dialog->setViewMode(QFileDialog::Detail);
    auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    // The dialog gathers what it shows on a thread of its own.
    QDeadlineTimer deadline(5000);
    auto complete = [&] {
      QAbstractItemModel* model = view->model();
      int count = model->rowCount(view->rootIndex());
      for (int row = 0; row < count; ++row)
        if (model->index(row, 2, view->rootIndex()).data().toString().isEmpty()) return false;
      return count == 3;
    };
    while (!complete() && !deadline.hasExpired()) QTest::qWait(10);
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
      QStringList& columns = rows[view->model()->index(row, 0, view->rootIndex()).data().toString()];
      for (int column = 1; column <= 3; ++column)
        columns << view->model()->index(row, column, view->rootIndex()).data().toString();
    }
  });
  std::string path;
  NativeFileDialog(nullptr, "*", "Alle Dateien", path, true);

  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows["Blinker.pbn"][0].toStdString(), "1,5 kB");
  EXPECT_EQ(rows["Blinker.pbn"][2].toStdString(), "07.12.26 14:03");
  EXPECT_EQ(rows["daten"][1].toStdString(), rows["leer"][1].toStdString()) << "the type came from the content";
}

}  // namespace
