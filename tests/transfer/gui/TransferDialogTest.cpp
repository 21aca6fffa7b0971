// The progress dialog of an upload: its window and texts, the texts of the
// states, closing by itself when the upload is done, and "Abbrechen",
// Escape and closing the window, which all stop the upload.
#include "transfer/TransferDialog.h"

#include "../TransferHarness.h"
#include "BoardPeers.h"
#include "UploadHarness.h"
#include "compiler/Program.h"
#include "support/Dialogs.h"
#include "toolkit/QtWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <atomic>

namespace {

QLabel* LabelOf(QWidget* dialog) { return dialog ? dialog->findChild<QLabel*>() : nullptr; }
QString LabelText(QWidget* dialog) {
  QLabel* label = LabelOf(dialog);
  return label ? label->text() : QString();
}

ModalDriver::Condition LabelShows(const char* text) {
  return [text](QWidget* dialog) { return dialog && LabelText(dialog) == QString::fromUtf8(text); };
}
ModalDriver::Condition Closed() {
  return [](QWidget* dialog) { return dialog == nullptr; };
}

// The board greets back only once the test has "pressed reset", so the
// dialog shows the wait for it for as long as the test likes; its blocks
// take a while each, so the sending shows too.
struct GatedBoard {
  BootloaderPeer board;
  std::atomic<bool> reset{false};
  PtyPeer peer{[this](uint8_t b) { return reset ? board.OnByte(b) : std::vector<uint8_t>{}; }};
  GatedBoard() { board.blockDelay = std::chrono::milliseconds(60); }
};

TEST(TransferDialog, ShowsEachStepAndClosesByItselfWhenTheUploadIsDone) {
  BoxRecorder boxes;
  GatedBoard board;
  SettingsGuard settings("Corbelo", board.peer.Port());
  QWidget mainWindow;
  QWidget* owner = nullptr;
  QRect window, buttonBox, labelBox;
  QString title, buttonText;
  ModalDriver driver(20000);
  driver
      .Until([&](QWidget* dialog) {
        // Before the first tick: the text of the code generation.
        if (!dialog) return false;
        window = dialog->geometry();
        owner = dialog->parentWidget();
        title = dialog->windowTitle();
        QPushButton* button = dialog->findChild<QPushButton*>();
        if (button) {
          buttonBox = button->geometry();
          buttonText = button->text();
        }
        if (LabelOf(dialog)) labelBox = LabelOf(dialog)->geometry();
        EXPECT_EQ(LabelText(dialog).toStdString(), "Erzeuge Code");
        return true;
      })
      .Until(LabelShows("Bitte führe einen Reset durch"))
      .Until([&](QWidget*) {
        board.reset = true;
        return true;
      })
      .Until(LabelShows("Sende Programm"))
      .Until(Closed());
  Greeting chart;
  auto transfer = RunTransfer(chart.project, FromWidget(&mainWindow));
  board.peer.Stop();

  EXPECT_TRUE(driver.Finished()) << "steps done: " << driver.StepsDone();
  EXPECT_EQ(owner, &mainWindow);
  EXPECT_EQ(title.toStdString(), "Übertragen");
  EXPECT_EQ(window.size(), QSize(488, 178));
  EXPECT_EQ(buttonText.toStdString(), "Abbrechen");
  EXPECT_EQ(buttonBox, QRect(190, 134, 100, 24));
  EXPECT_EQ(labelBox, QRect(10, 34, 400, 20));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(transfer->Cancelled());
  EXPECT_EQ(board.board.image, PaddedToBlocks(transfer->program->binary.code));
}

// Once the send thread has ended the test owns the state and sets each
// value in turn; the label follows at the next tick, an unknown value
// leaves it alone, and TransferDone ends the dialog with ok set.
TEST(TransferDialog, LabelFollowsTheStateAndDoneEndsTheDialog) {
  BoxRecorder boxes;
  SettingsGuard settings("Corbelo", "/nonexistent/ttyPellburne");
  bool dialogOk = false, cancelled = true;
  Transfer* current = nullptr;
  auto setState = [&](int state) {
    return [&current, state](QWidget*) {
      WriteSharedInt(&current->state, state);
      return true;
    };
  };
  ModalDriver driver(20000);
  driver.Until([&](QWidget* dialog) { return dialog && current; })
      .Until(setState(TransferCompiling))
      .Until(LabelShows("Kompiliere Code"))
      .Until(setState(TransferSending))
      .Until(LabelShows("Sende Programm"))
      .Until(setState(TransferWaitingForReset))
      .Until(LabelShows("Bitte führe einen Reset durch"))
      .Until(setState(TransferGenerating))
      .Until(LabelShows("Erzeuge Code"))
      .Until(setState(17))
      .Until([&, ticks = 0](QWidget* dialog) mutable {
        // Several ticks later the label still has the last known text.
        EXPECT_EQ(LabelText(dialog).toStdString(), "Erzeuge Code");
        return ++ticks == 60;
      })
      .Until(setState(TransferDone))
      .Until(Closed());
  ProgressScript progress([&](Transfer* transfer) {
    if (!progress.AwaitState(transfer, TransferDone)) return;
    current = transfer;
    TransferDialog dialog(nullptr, transfer);
    dialogOk = dialog.ok;
    cancelled = transfer->Cancelled();
  });
  Greeting chart;
  auto transfer = RunTransfer(chart.project, nullptr);
  EXPECT_TRUE(driver.Finished()) << "steps done: " << driver.StepsDone();
  EXPECT_TRUE(dialogOk);
  EXPECT_FALSE(cancelled);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, PortOpenText);
}

// A board that is never reset: "Abbrechen", Escape and closing the window
// each end the dialog at once and stop the upload, whose failure is then
// reported. Only "Abbrechen" counts as OK.
TEST(TransferDialog, AbbrechenEscapeAndClosingStopTheUploadWaitingForTheReset) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> end;
    bool ok;
  } cases[] = {
      {"Abbrechen", [](QWidget* dialog) { QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton); },
       true},
      {"Escape", [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }, false},
      {"closed", [](QWidget* dialog) { dialog->close(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxRecorder boxes;
    GatedBoard board;
    SettingsGuard settings("Corbelo", board.peer.Port());
    bool dialogOk = !c.ok, cancelledByDialog = false;
    ModalDriver driver(20000);
    driver.Until(LabelShows("Bitte führe einen Reset durch"))
        .Until([&](QWidget* dialog) {
          c.end(dialog);
          return true;
        })
        .Until(Closed());
    ProgressScript progress([&](Transfer* transfer) {
      TransferDialog dialog(nullptr, transfer);
      dialogOk = dialog.ok;
      cancelledByDialog = transfer->Cancelled();
    });
    Greeting chart;
    auto transfer = RunTransfer(chart.project, nullptr);
    board.peer.Stop();
    EXPECT_TRUE(driver.Finished()) << "steps done: " << driver.StepsDone();
    EXPECT_EQ(dialogOk, c.ok);
    EXPECT_TRUE(cancelledByDialog);
    EXPECT_EQ(transfer->State(), TransferDone);
    EXPECT_TRUE(board.board.blocks.empty());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, NoAnswerText);
    EXPECT_EQ(boxes.Boxes()[0].caption, TransferCaption);
  }
}

}  // namespace
