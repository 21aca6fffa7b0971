#include "document/Project.h"
#include "document/Sub.h"
#include "editor/ChartView.h"
#include "editor/EditDialogs.h"
#include "language/Variables.h"
#include "toolkit/MessageBox.h"

EditSubDlg::EditSubDlg(NativeWindow parent, Sub* sub, ChartView* view) : sub(sub), view(view) {
  Create(parent, 330, 96, "Name bearbeiten");
}

EditSubDlg::~EditSubDlg() {
  delete label;
  delete name;
  delete okButton;
  delete cancelButton;
  delete deleteButton;
}

void EditSubDlg::PutControls() {
  label = new NativeLabel(this, 10, 10, 310, 21, "Name des Unterprogramms:");
  name = new NativeEdit(this, 10, 35, 310, 21, sub->name, false);
  okButton = new NativeButton(this, 150, 63, 80, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 240, 63, 80, 24, "Abbrechen", NativeButton::CancelButton);
  deleteButton = new NativeButton(this, 10, 63, 80, 24, "Löschen", NativeButton::NormalButton);
  deleteButton->onClick.push_back(NativeHandler(this, &EditSubDlg::OnDelete));
}

// Any identifier that no other sub bears: call blocks are saved with the
// name of their sub, so two subs of one name would mix up after reopening.
bool EditSubDlg::OnOK() {
  std::string text = name->GetText();
  if (!Variables::IsValidIdentifier(text)) {
    MessageBox::Show(hwnd,
                     "Du hast einen ungültigen Name angegeben!\nEs sind nur Buchstaben und erst ab dem "
                     "zweiten Zeichen auch Zahlen erlaubt!",
                     "Ungültiger Name", MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    return false;
  }
  if (sub->project->HasSubNamed(text, sub)) {
    MessageBox::Show(hwnd, "Es gibt schon ein Unterprogramm mit diesem Namen!\nBitte wähle einen anderen Namen!",
                     "Name schon vergeben", MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    return false;
  }
  sub->name = text;
  return true;
}

void EditSubDlg::OnDelete(NativeControl*) {
  Project* project = sub->project;
  if (sub == project->subs.front()) {
    MessageBox::Show(hwnd, "Das Start-Unterprogramm kann nicht gelöscht werden", "Löschen nicht möglich",
                     MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    return;
  }
  if (MessageBox::Show(hwnd, "Willst du das Unterpgramm mitsamt allen Blöcken löschen?", "Löschen",
                       MessageBox::Buttons::YesNo, MessageBox::Icon::Question) != MessageBox::Result::Yes)
    return;
  // The view must not keep showing a sub that is about to go; the start
  // sub takes over its view size.
  if (view && view->sub == sub) {
    view->sub = project->subs.front();
    view->pressedItem = nullptr;  // it lay on the doomed chart
    view->OnResize(sub->canvas.viewWidth, sub->canvas.viewHeight);
  }
  project->DeleteChart(sub);
  sub = nullptr;
  ok = false;
  EndDialog();
}
