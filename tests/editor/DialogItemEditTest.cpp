// The edit dialogs of call, comment, assignment and if blocks, run offscreen
// from the items' OnEdit.
#include "support/Dialogs.h"
#include "document/Assignment.h"
#include "document/BlockConnector.h"
#include "document/Comment.h"
#include "document/IfBlock.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

#include <QLabel>

using namespace dialogs;

namespace {

class ItemDialogs : public testing::Test {
protected:
  ItemDialogs() {
    project.AddChart();
    project.AddChart();
    project.AddChart();
    sub = project.subs[1];
  }
  const Variables& Table() { return project.variables; }

  ModalDriver modals;
  Project project;
  Sub* sub;
};

TEST_F(ItemDialogs, ItemsWithoutDialogOpenNothing) {
  // A dialog would stay up until the watchdog closes it and fails the test.
  EXPECT_FALSE(sub->start->OnEdit(nullptr));
  EXPECT_FALSE(EndBlock(sub, 0, 0).OnEdit(nullptr));
  EXPECT_FALSE(sub->start->dependent1->OnEdit(nullptr));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ItemDialogs, CallDialogListsEverySubAndPicksNone) {
  CallSub call(sub, 0, 0);
  call.target = project.subs[2];
  bool ran = false;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditCallSubDlg>(modal);
    ASSERT_NE(dialog, nullptr);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(308, 432));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Funktionsaufruf"));
    EXPECT_EQ(W(dialog->text)->geometry(), Box(14, 10, 280, 70));
    EXPECT_EQ(W(dialog->subList)->geometry(), Box(14, 90, 280, 270));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(84, 370, 100, 24));
    EXPECT_EQ(W(dialog->cancelButton)->geometry(), Box(194, 370, 100, 24));
    std::string label;
    dialog->text->GetContent(label);
    EXPECT_EQ(label,
              "Dieser Block startet ein Unterprogramm, führt es vollständig aus und wechselt dann erst zum "
              "Block an der Pfeilspitze. Wähle das Unterprogramm hier aus:");
    EXPECT_EQ(Entries(dialog->subList), (std::vector<std::string>{"Start", "Funktion1", "Funktion2"}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dialog->subList->GetItemData(i), project.subs[i]);
    // The current target is not preselected, and OK without a choice does nothing.
    EXPECT_EQ(dialog->subList->GetSelection(), -1);
    Click(dialog->okButton);
    EXPECT_TRUE(modal->isVisible());
    EXPECT_EQ(call.target, project.subs[2]);
    // A choice followed by Cancel changes nothing either.
    ClickEntry(dialog->subList, 0);
    Click(dialog->cancelButton);
  });
  EXPECT_FALSE(call.OnEdit(nullptr));
  EXPECT_TRUE(ran);
  EXPECT_EQ(call.target, project.subs[2]);
}

TEST_F(ItemDialogs, CallDialogTakesTheOwnSubByOkOrDoubleClick) {
  CallSub call(sub, 0, 0);
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditCallSubDlg>(modal);
    ClickEntry(dialog->subList, 1);
    Click(dialog->okButton);
  });
  EXPECT_TRUE(call.OnEdit(nullptr));
  EXPECT_EQ(call.target, sub);

  modals.Then([&](QWidget* modal) { DoubleClickEntry(Running<EditCallSubDlg>(modal)->subList, 0); });
  EXPECT_TRUE(call.OnEdit(nullptr));
  EXPECT_EQ(call.target, project.subs[0]);
}

TEST_F(ItemDialogs, CommentDialogStoresAnyTextAndKeepsTheSize) {
  Comment comment(sub, 40, 40);
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditCommentDlg>(modal);
    EXPECT_EQ(modal->size(), QSize(308, 352));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Kommentar bearbeiten"));
    EXPECT_EQ(W(dialog->text)->geometry(), Box(10, 10, 280, 270));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(80, 290, 100, 24));
    EXPECT_EQ(W(dialog->cancelButton)->geometry(), Box(190, 290, 100, 24));
    EXPECT_EQ(dialog->text->GetText(), "Kommentar");
    dialog->text->SetWindowText("Zwei\nZeilen");
    Click(dialog->okButton);
  });
  EXPECT_TRUE(comment.OnEdit(nullptr));
  EXPECT_EQ(comment.text, "Zwei\nZeilen");
  EXPECT_EQ(comment.canvasItem.w, Comment::Width);
  EXPECT_EQ(comment.canvasItem.h, Comment::Height);

  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditCommentDlg>(modal);
    dialog->text->SetWindowText("verworfen");
    Click(dialog->cancelButton);
  });
  EXPECT_FALSE(comment.OnEdit(nullptr));
  EXPECT_EQ(comment.text, "Zwei\nZeilen");

  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditCommentDlg>(modal);
    dialog->text->SetWindowText("");
    Click(dialog->okButton);
  });
  EXPECT_TRUE(comment.OnEdit(nullptr));
  EXPECT_EQ(comment.text, "");
}

// Runs the assignment dialog with one text typed and OK pressed; whether it
// closed by OK, and whether OK was refused first.
struct EditOutcome {
  bool changed;
  bool refused;
};

// The assignment and the if dialog alike.
template <typename Dialog, typename Block>
EditOutcome EditText(ModalDriver& modals, Block& block, const std::string& text) {
  bool refused = false;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<Dialog>(modal);
    dialog->input->SetWindowText(text);
    Click(dialog->okButton);
    refused = modal->isVisible();
    if (refused) Click(dialog->cancelButton);
  });
  bool changed = block.OnEdit(nullptr);
  return {changed, refused};
}

EditOutcome EditAssignment(ModalDriver& modals, Assignment& block, const std::string& text) {
  return EditText<EditAssignmentDlg>(modals, block, text);
}

EditOutcome EditCondition(ModalDriver& modals, IfBlock& block, const std::string& text) {
  return EditText<EditIfDlg>(modals, block, text);
}

TEST_F(ItemDialogs, AssignmentDialogLayoutTextAndSuggestions) {
  Assignment block(sub, 0, 0);
  block.assignment = ParsedAssignment(Table(), "var1=var2+1");
  bool ran = false;
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = Running<EditAssignmentDlg>(modal);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(478, 392));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Zuweisung"));
    EXPECT_EQ(W(dialog->helpText)->geometry(), Box(14, 10, 450, 80));
    EXPECT_EQ(W(dialog->input)->geometry(), Box(14, 100, 450, 21));
    EXPECT_EQ(dialog->input->listHeight, 200);
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(294, 330, 80, 24));
    EXPECT_EQ(W(dialog->cancelButton)->geometry(), Box(384, 330, 80, 24));
    std::string help;
    dialog->helpText->GetContent(help);
    EXPECT_EQ(help.rfind("Eine Zuweisung gibt einer Variablen oder einem Port einen neuen Wert.", 0), 0u);
    EXPECT_NE(help.find("Mit 'intVariable0 = intVariable1 + 1' hat intVariable0 einen um 1 höheren Wert als "
                        "intVariable1."),
              std::string::npos);
    // The input shows the regenerated text.
    EXPECT_EQ(dialog->input->GetText(), "var1 = var2 + 1");
    // Every opening of the list asks for the completions of the current text.
    dialog->input->SetWindowText("PORTB.1 = ");
    dialog->input->ShowSuggestions();
    EXPECT_EQ(Suggestions(dialog->input), Table().FormatOperands(0x804, "PORTB.1 = ", ""));
    dialog->input->SetWindowText("");
    dialog->input->ShowSuggestions();
    EXPECT_EQ(Suggestions(dialog->input), Table().FormatOperands(0x401, "", " = "));
    dialog->input->HideSuggestions(false);
  });
  EXPECT_FALSE(block.OnEdit(nullptr));
  EXPECT_TRUE(ran);
  EXPECT_EQ(block.assignment.GetString(" "), "var1 = var2 + 1");
}

TEST_F(ItemDialogs, AssignmentDialogAcceptsOnlyValidAssignments) {
  Assignment block(sub, 0, 0);
  block.assignment = ParsedAssignment(Table(), "var0 = 1");
  for (const char* bad :
       {"PORTB.0 = var1", "PORTB.0 = 2", "ADC0 = 1", "var1 = ", "var1 = var2 +", "nix = 1", "var1 = ADC0", ""}) {
    EditOutcome outcome = EditAssignment(modals, block, bad);
    EXPECT_TRUE(outcome.refused) << bad;
    EXPECT_FALSE(outcome.changed) << bad;
    EXPECT_EQ(block.assignment.GetString(" "), "var0 = 1") << bad;
  }
  for (auto [typed, stored] : {std::pair{"var1=var2+1", "var1 = var2 + 1"},
                               {"PORTB.0 = PIND.3", "PORTB.0 = PIND.3"},
                               {"var1 = ADC0 + 1", "var1 = ADC0 + 1"},
                               {"var3 = 1 + &H10", "var3 = 1 + 16"}}) {
    EditOutcome outcome = EditAssignment(modals, block, typed);
    EXPECT_FALSE(outcome.refused) << typed;
    EXPECT_TRUE(outcome.changed) << typed;
    EXPECT_EQ(block.assignment.GetString(" "), stored);
  }
  // The block keeps pointers into its project's table.
  EXPECT_EQ(block.assignment.target, Table().GetOperand("var3"));
}

TEST_F(ItemDialogs, IfDialogAcceptsAnyKindsButNeedsBothOperands) {
  IfBlock block(sub, 0, 0);
  bool ran = false;
  modals.ThenCancel([&](QWidget* modal) {
    auto* dialog = Running<EditIfDlg>(modal);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(478, 392));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Bedingungsblock"));
    EXPECT_EQ(W(dialog->helpText)->geometry(), Box(14, 10, 450, 80));
    EXPECT_EQ(W(dialog->input)->geometry(), Box(14, 100, 450, 21));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(294, 330, 80, 24));
    EXPECT_EQ(W(dialog->cancelButton)->geometry(), Box(384, 330, 80, 24));
    std::string help;
    dialog->helpText->GetContent(help);
    EXPECT_EQ(help.rfind("Eine Bedingung führt abhängig von einem mathematischen Ausdruck", 0), 0u);
    EXPECT_NE(help.find("sonst mit dem Nein-Pfeil."), std::string::npos);
    EXPECT_EQ(dialog->input->GetText(), "");
    dialog->input->SetWindowText("var1");
    dialog->input->ShowSuggestions();
    EXPECT_EQ(Suggestions(dialog->input),
              (std::vector<std::string>{"var1 > ", "var1 >= ", "var1 = ", "var1 < ", "var1 <= "}));
    dialog->input->HideSuggestions(false);
  });
  EXPECT_FALSE(block.OnEdit(nullptr));
  EXPECT_TRUE(ran);

  for (const char* bad : {"var1 + 1 < var2", "var1 == 5", "var1 <", "< 5", "nix = 1"}) {
    EditOutcome outcome = EditCondition(modals, block, bad);
    EXPECT_TRUE(outcome.refused) << bad;
    EXPECT_FALSE(outcome.changed) << bad;
    EXPECT_EQ(block.compare.GetString(" "), "") << bad;
  }
  EditOutcome outcome = EditCondition(modals, block, "PORTB.0 <> ADC1");
  EXPECT_TRUE(outcome.changed);
  EXPECT_EQ(block.compare.GetString(" "), "PORTB.0 <> ADC1");
  outcome = EditCondition(modals, block, "var2<&H10");
  EXPECT_TRUE(outcome.changed);
  EXPECT_EQ(block.compare.GetString(" "), "var2 < 16");
  // The dialog shows the stored condition regenerated.
  modals.ThenCancel([&](QWidget* modal) { EXPECT_EQ(Running<EditIfDlg>(modal)->input->GetText(), "var2 < 16"); });
  EXPECT_FALSE(block.OnEdit(nullptr));
}

}  // namespace
