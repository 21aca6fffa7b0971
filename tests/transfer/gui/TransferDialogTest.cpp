// The progress dialog of an upload: its window and texts, the texts of the
// states, closing by itself when the upload is done, and "Abbrechen",
// Escape and closing the window, which all stop the upload.
#include "transfer/TransferDialog.h"

#include "../TransferHarness.h"
#include "BoardPeers.h"
#include "UploadHarness.h"
#include "compiler/Program.h"
#include "toolkit/QtWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>

namespace {

QLabel* LabelOf(QWidget* dialog) { return dialog ? dialog->findChild<QLabel*>() : nullptr; }
QString LabelText(QWidget* dialog) {
  QLabel* label = LabelOf(dialog);
  return label ? label->text() : QString();
}

// Drives the modal dialog from the event loop: every few milliseconds the
// current step looks at the active modal window and says whether it is
// done. The watchdog closes whatever is still open after a generous time, so
// a failure cannot hang the run.
class DialogDriver {
public:
  using Step = std::function<bool(QWidget* dialog)>;
  explicit DialogDriver(std::vector<Step> steps) : steps(std::move(steps)) {
    clock.start();
    QObject::connect(&timer, &QTimer::timeout, [this] { Tick(); });
    timer.start(5);
  }
  // Looks once more (the dialog may have closed since the last tick) and
  // tells whether every step is done.
  bool Finished() {
    Tick();
    return next == steps.size();
  }
  size_t StepsDone() const { return next; }

private:
  void Tick() {
    QWidget* dialog = QApplication::activeModalWidget();
    while (next < steps.size() && steps[next](dialog)) ++next;
    if (clock.elapsed() > 20000 && dialog) {
      ADD_FAILURE() << "watchdog closed the dialog at step " << next;
      QTest::keyClick(dialog, Qt::Key_Escape);
      if (QApplication::activeModalWidget() == dialog) dialog->close();
    }
  }
  std::vector<Step> steps;
  size_t next = 0;
  QTimer timer;
  QElapsedTimer clock;
};

DialogDriver::Step LabelShows(const char* text) {
  return [text](QWidget* dialog) { return dialog && LabelText(dialog) == QString::fromUtf8(text); };
}
DialogDriver::Step Closed() {
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
  DialogDriver driver({
      [&](QWidget* dialog) {
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
      },
      LabelShows("Bitte führe einen Reset durch"),
      [&](QWidget*) {
        board.reset = true;
        return true;
      },
      LabelShows("Sende Programm"),
      Closed(),
  });
  Greeting chart;
  testing::internal::CaptureStdout();
  Transfer transfer(&chart.project, FromWidget(&mainWindow));
  testing::internal::GetCapturedStdout();
  board.peer.Stop();

  EXPECT_TRUE(driver.Finished()) << "steps done: " << driver.StepsDone();
  EXPECT_EQ(owner, &mainWindow);
  EXPECT_EQ(title.toStdString(), "Übertragen");
  EXPECT_EQ(window.size(), QSize(488, 178));
  EXPECT_EQ(buttonText.toStdString(), "Abbrechen");
  EXPECT_EQ(buttonBox, QRect(190, 134, 100, 24));
  EXPECT_EQ(labelBox, QRect(10, 34, 400, 20));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(transfer.Cancelled());
  EXPECT_EQ(board.board.image, PaddedToBlocks(transfer.program->binary.code));
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
  DialogDriver driver({
      [&](QWidget* dialog) { return dialog && current; },
      setState(TransferCompiling),
      LabelShows("Kompiliere Code"),
      setState(TransferSending),
      LabelShows("Sende Programm"),
      setState(TransferWaitingForReset),
      LabelShows("Bitte führe einen Reset durch"),
      setState(TransferGenerating),
      LabelShows("Erzeuge Code"),
      setState(17),
      [&, ticks = 0](QWidget* dialog) mutable {
        // Several ticks later the label still has the last known text.
        EXPECT_EQ(LabelText(dialog).toStdString(), "Erzeuge Code");
        return ++ticks == 60;
      },
      setState(TransferDone),
      Closed(),
  });
  ProgressScript progress([&](Transfer* transfer) {
    if (!progress.AwaitState(transfer, TransferDone)) return;
    current = transfer;
    TransferDialog dialog(nullptr, transfer);
    dialogOk = dialog.ok;
    cancelled = transfer->Cancelled();
  });
  Greeting chart;
  testing::internal::CaptureStdout();
  Transfer transfer(&chart.project, nullptr);
  testing::internal::GetCapturedStdout();
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
      {"Abbrechen",
       [](QWidget* dialog) { QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton); },
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
    DialogDriver driver({
        LabelShows("Bitte führe einen Reset durch"),
        [&](QWidget* dialog) {
          c.end(dialog);
          return true;
        },
        Closed(),
    });
    ProgressScript progress([&](Transfer* transfer) {
      TransferDialog dialog(nullptr, transfer);
      dialogOk = dialog.ok;
      cancelledByDialog = transfer->Cancelled();
    });
    Greeting chart;
    testing::internal::CaptureStdout();
    Transfer transfer(&chart.project, nullptr);
    testing::internal::GetCapturedStdout();
    board.peer.Stop();
    EXPECT_TRUE(driver.Finished()) << "steps done: " << driver.StepsDone();
    EXPECT_EQ(dialogOk, c.ok);
    EXPECT_TRUE(cancelledByDialog);
    EXPECT_EQ(transfer.State(), TransferDone);
    EXPECT_TRUE(board.board.blocks.empty());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, NoAnswerText);
    EXPECT_EQ(boxes.Boxes()[0].caption, TransferCaption);
  }
}

} // namespace
