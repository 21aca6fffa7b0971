// Every dialog of the program shows its texts whole in the boxes it gives
// them: each label's wrapped text ends inside its box, each button's text and
// the caption fit on their one line, and each single-line edit shows its
// glyphs whole, umlaut dots and descenders included. A change of font or of
// a text that cuts one off fails here.
#include "../transfer/TransferHarness.h"
#include "support/BoxRecorder.h"
#include "support/Dialogs.h"
#include "support/Images.h"
#include "document/Comment.h"
#include "editor/EditAliases.h"
#include "editor/EditDialogs.h"
#include "editor/SettingsDialog.h"
#include "transfer/TransferDialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace dialogs;

namespace {

const QString GlyphSample = QString::fromUtf8("ÄÖÜäöüßgjpqy");

// The label's ink in a box 200 pixels taller than its own: a row at or below
// its own height would be cut off.
InkRows LabelInk(QLabel* label) {
  const QSize box = label->size();
  const QString text = label->text();
  label->resize(box.width(), box.height() + 200);
  QImage with = label->grab().toImage();
  label->setText(QString());
  QImage without = label->grab().toImage();
  label->setText(text);
  label->resize(box);
  return DifferingRows(with, without);
}

// The rows the sample takes in the edit, and drawn freely in the same font.
int EditInkRows(QLineEdit* edit) {
  const QString text = edit->text();
  edit->clearFocus();  // no caret in either picture
  edit->setText(QString());
  QImage without = edit->grab().toImage();
  edit->setText(GlyphSample);
  QImage with = edit->grab().toImage();
  edit->setText(text);
  return DifferingRows(with, without).Count();
}

int FreeInkRows(const QFont& font) {
  QImage without(400, 100, QImage::Format_ARGB32);
  without.fill(Qt::white);
  QImage with = without;
  QPainter painter(&with);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QPoint(10, 50), GlyphSample);
  painter.end();
  return DifferingRows(with, without).Count();
}

void ExpectTextsFit(QWidget* modal) {
  EXPECT_LE(QFontMetrics(modal->font()).horizontalAdvance(modal->windowTitle()), modal->width());
  for (QLabel* label : modal->findChildren<QLabel*>()) {
    InkRows ink = LabelInk(label);
    EXPECT_GE(ink.top, 0) << "nothing drawn: " << label->text().toStdString();
    EXPECT_LT(ink.bottom, label->height()) << label->text().toStdString();
  }
  for (QPushButton* button : modal->findChildren<QPushButton*>()) {
    QFontMetrics metrics(button->font());
    EXPECT_LE(metrics.horizontalAdvance(button->text()), button->width()) << button->text().toStdString();
    EXPECT_LE(metrics.height(), button->height()) << button->text().toStdString();
  }
  // In the test's style and in one with the wider edit frames that many
  // desktops have.
  std::unique_ptr<QStyle> wideFrames(QStyleFactory::create(QStringLiteral("Windows")));
  ASSERT_NE(wideFrames, nullptr);
  for (QLineEdit* edit : modal->findChildren<QLineEdit*>()) {
    const int rows = FreeInkRows(edit->font());
    EXPECT_EQ(EditInkRows(edit), rows) << "edit of height " << edit->height();
    edit->setStyle(wideFrames.get());
    EXPECT_EQ(EditInkRows(edit), rows) << "edit of height " << edit->height() << ", wide frames";
    edit->setStyle(nullptr);
  }
}

struct DialogCase {
  std::string name;
  // Runs the dialog modally.
  std::function<void()> open;
  // Each brings the running dialog into one of its states, whose texts are
  // checked in turn; none: the dialog as it opens.
  std::vector<std::function<void(QWidget*)>> states = {};
};

// Sets the upload's state and lets the progress dialog show its text.
std::function<void(QWidget*)> TransferState(int state) {
  return [state](QWidget* modal) {
    auto* dialog = Running<TransferDialog>(modal);
    ASSERT_NE(dialog, nullptr);
    WriteSharedInt(&dialog->transfer->state, state);
    dialog->OnTimer();
  };
}

// The progress dialog, shown once the send thread has given up on a port
// that does not exist, so that the test alone sets the states.
void RunTransferDialog() {
  BoxRecorder boxes;
  SettingsGuard settings("Corbelo", "/nonexistent/ttyPellburne");
  ProgressScript progress([&](Transfer* transfer) {
    if (progress.AwaitState(transfer, TransferDone)) TransferDialog dialog(nullptr, transfer);
  });
  Greeting chart;
  RunTransfer(chart.project, nullptr);
}

TEST(DialogTexts, EveryDialogShowsItsTextsWhole) {
  ModalDriver modals(20000);
  Project project;
  Sub* sub = project.AddChart();
  Variables* table = &project.variables;

  std::vector<DialogCase> cases = {
      {"call", [sub] { CallSub(sub, 0, 0).OnEdit(nullptr); }},
      {"comment", [sub] { Comment(sub, 0, 0).OnEdit(nullptr); }},
      {"instruction choice", [] { SelectInstructionDlg dialog(nullptr); }},
      {"assignment", [sub] { Assignment(sub, 0, 0).OnEdit(nullptr); }},
      {"condition", [sub] { IfBlock(sub, 0, 0).OnEdit(nullptr); }},
      {"sub name", [sub] { EditSubDlg dialog(nullptr, sub, nullptr); }},
      {"aliases", [table] { EditAliasesDialog dialog(nullptr, table); }},
      {"alias", [table] { AliasDialog dialog(nullptr, "", table); }},
      {"settings", [] { SettingsDialog dialog(nullptr); }},
      {"transfer",
       RunTransferDialog,
       {TransferState(TransferGenerating), TransferState(TransferCompiling), TransferState(TransferWaitingForReset),
        TransferState(TransferSending)}},
  };
  for (const InstructionInfo& row : Instruction::InstructionInfos)
    if (EditInstructionDlg::ColumnCount(&row) > 0)
      cases.push_back({std::string("instruction ") + row.routineName,
                       [sub, &row] { Instruction(sub, 0, 0, &row).OnEdit(nullptr); }});

  for (const DialogCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool checked = false;
    modals.ThenCancel([&](QWidget* modal) {
      checked = true;
      if (c.states.empty()) ExpectTextsFit(modal);
      for (const auto& state : c.states) {
        state(modal);
        ExpectTextsFit(modal);
      }
    });
    c.open();
    EXPECT_TRUE(checked);
  }
}

}  // namespace
