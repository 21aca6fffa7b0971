// Renaming and deleting a sub from its tab's dialog.
#include "support/BoxRecorder.h"
#include "support/Dialogs.h"
#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/ChartView.h"
#include "editor/EditDialogs.h"

using namespace dialogs;

namespace {

const char* const InvalidName =
    "Du hast einen ungültigen Name angegeben!\nEs sind nur Buchstaben und erst ab dem zweiten Zeichen auch "
    "Zahlen erlaubt!";
const char* const TakenName = "Es gibt schon ein Unterprogramm mit diesem Namen!\nBitte wähle einen anderen Namen!";

class SubDialog : public testing::Test {
protected:
  SubDialog() : view(&owner) {
    project.AddChart();
    project.AddChart();
    project.AddChart();
    view.sub = project.subs[0];
    view.OnResize(640, 480);
    owner.needsRepaint = false;
  }

  ModalDriver modals;
  // Unscripted questions are agreed to.
  BoxRecorder recorder{{}, MessageBox::Result::Yes};
  Project project;
  ChartViewOwner owner;
  ChartView view;
};

TEST_F(SubDialog, LayoutAndRename) {
  Sub* sub = project.subs[1];
  bool ran = false;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditSubDlg>(modal);
    ran = true;
    EXPECT_EQ(modal->size(), QSize(338, 124));
    EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Name bearbeiten"));
    EXPECT_EQ(W(dialog->label)->geometry(), Box(10, 10, 310, 21));
    EXPECT_EQ(W(dialog->name)->geometry(), Box(10, 35, 310, 21));
    EXPECT_EQ(W(dialog->okButton)->geometry(), Box(150, 63, 80, 24));
    EXPECT_EQ(W(dialog->cancelButton)->geometry(), Box(240, 63, 80, 24));
    EXPECT_EQ(W(dialog->deleteButton)->geometry(), Box(10, 63, 80, 24));
    std::string text;
    dialog->label->GetContent(text);
    EXPECT_EQ(text, "Name des Unterprogramms:");
    EXPECT_EQ(dialog->deleteButton->GetWindowText(), "Löschen");
    EXPECT_EQ(dialog->name->GetText(), "Funktion1");
    dialog->name->SetWindowText("Motor2_an");
    Click(dialog->okButton);
  });
  EditSubDlg dialog(nullptr, sub, &view);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(sub->name, "Motor2_an");
  EXPECT_TRUE(recorder.boxes.empty());

  // Keeping its own name is fine.
  modals.Then([&](QWidget* modal) { Click(Running<EditSubDlg>(modal)->okButton); });
  EditSubDlg again(nullptr, sub, &view);
  EXPECT_TRUE(again.ok);
  EXPECT_EQ(sub->name, "Motor2_an");
  EXPECT_TRUE(recorder.boxes.empty());

  modals.Then([&](QWidget* modal) {
    auto* running = Running<EditSubDlg>(modal);
    running->name->SetWindowText("Verworfen");
    Click(running->cancelButton);
  });
  EditSubDlg cancelled(nullptr, sub, &view);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(sub->name, "Motor2_an");
}

// Call blocks are saved with their sub's name, so a name that another sub
// bears is refused like an invalid one.
TEST_F(SubDialog, RefusedNamesShowTheirBoxOverTheDialogAndStayOpen) {
  struct Case {
    const char* name;
    const char* text;
    const char* caption;
  } cases[] = {
      {"2x", InvalidName, "Ungültiger Name"},          {"", InvalidName, "Ungültiger Name"},
      {"a b", InvalidName, "Ungültiger Name"},         {"_x", InvalidName, "Ungültiger Name"},
      {"Größe", InvalidName, "Ungültiger Name"},       {"Start", TakenName, "Name schon vergeben"},
      {"Funktion1", TakenName, "Name schon vergeben"},
  };
  Sub* sub = project.subs[2];
  NativeWindow dialogWindow = nullptr;
  std::vector<bool> openAfter;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditSubDlg>(modal);
    dialogWindow = dialog->hwnd;
    for (const Case& c : cases) {
      dialog->name->SetWindowText(c.name);
      Click(dialog->okButton);
      openAfter.push_back(modal->isVisible());
    }
    Click(dialog->cancelButton);
  });
  EditSubDlg dialog(nullptr, sub, &view);
  EXPECT_FALSE(dialog.ok);
  EXPECT_EQ(sub->name, "Funktion2");
  EXPECT_EQ(project.subs[0]->name, "Start");
  EXPECT_EQ(project.subs[1]->name, "Funktion1");
  EXPECT_EQ(openAfter, std::vector<bool>(std::size(cases), true));
  ASSERT_EQ(recorder.boxes.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const BoxRecorder::Box& box = recorder.boxes[i];
    EXPECT_EQ(box.text, cases[i].text) << cases[i].name;
    EXPECT_EQ(box.caption, cases[i].caption);
    EXPECT_EQ(box.buttons, MessageBox::Buttons::Ok);
    EXPECT_EQ(box.icon, MessageBox::Icon::Information);
    EXPECT_EQ(box.owner, dialogWindow);
  }
}

TEST_F(SubDialog, StartSubCannotBeDeleted) {
  bool open = false;
  modals.ThenCancel([&](QWidget* modal) {
    Click(Running<EditSubDlg>(modal)->deleteButton);
    open = modal->isVisible();
  });
  EditSubDlg dialog(nullptr, project.subs[0], &view);
  EXPECT_TRUE(open);
  EXPECT_FALSE(dialog.ok);
  EXPECT_EQ(project.subs.size(), 3u);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Das Start-Unterprogramm kann nicht gelöscht werden");
  EXPECT_EQ(recorder.boxes[0].caption, "Löschen nicht möglich");
  EXPECT_EQ(recorder.boxes[0].buttons, MessageBox::Buttons::Ok);
  EXPECT_EQ(recorder.boxes[0].icon, MessageBox::Icon::Information);
}

TEST_F(SubDialog, DeletionAsksFirstAndSwitchesTheViewAway) {
  Sub* doomed = project.subs[1];
  CallSub* call = new CallSub(project.subs[2], 0, 0);
  call->target = doomed;
  view.sub = doomed;
  view.OnResize(700, 500);
  view.pressedItem = doomed->start;
  owner.needsRepaint = false;
  recorder.answers = {MessageBox::Result::No, MessageBox::Result::Yes};
  bool openAfterNo = false;
  modals.Then([&](QWidget* modal) {
    auto* dialog = Running<EditSubDlg>(modal);
    dialog->name->SetWindowText("Umbenannt");
    Click(dialog->deleteButton);
    openAfterNo = modal->isVisible();
    EXPECT_EQ(project.subs.size(), 3u);
    Click(dialog->deleteButton);
  });
  EditSubDlg dialog(nullptr, doomed, &view);
  EXPECT_TRUE(openAfterNo);
  EXPECT_FALSE(dialog.ok);
  ASSERT_EQ(recorder.boxes.size(), 2u);
  for (const BoxRecorder::Box& box : recorder.boxes) {
    EXPECT_EQ(box.text, "Willst du das Unterpgramm mitsamt allen Blöcken löschen?");
    EXPECT_EQ(box.caption, "Löschen");
    EXPECT_EQ(box.buttons, MessageBox::Buttons::YesNo);
    EXPECT_EQ(box.icon, MessageBox::Icon::Question);
  }
  ASSERT_EQ(project.subs.size(), 2u);
  EXPECT_EQ(project.subs[1]->name, "Funktion2");
  EXPECT_EQ(call->target, nullptr);
  // Two subs are left, but a new one cannot take the name Funktion2.
  EXPECT_EQ(project.AddChart()->name, "Funktion3");
  // The view shows the start sub at the size it had.
  EXPECT_EQ(view.sub, project.subs[0]);
  EXPECT_EQ(view.pressedItem, nullptr);
  EXPECT_EQ(project.subs[0]->canvas.viewWidth, 700);
  EXPECT_EQ(project.subs[0]->canvas.viewHeight, 500);
  EXPECT_TRUE(owner.needsRepaint);
}

TEST_F(SubDialog, DeletingAnotherSubLeavesTheViewAlone) {
  view.sub = project.subs[1];
  modals.Then([&](QWidget* modal) { Click(Running<EditSubDlg>(modal)->deleteButton); });
  EditSubDlg dialog(nullptr, project.subs[2], &view);
  EXPECT_FALSE(dialog.ok);
  ASSERT_EQ(project.subs.size(), 2u);
  EXPECT_EQ(view.sub, project.subs[1]);
}

}  // namespace
