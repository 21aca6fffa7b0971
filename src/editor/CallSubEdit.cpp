#include "document/ProgramFlow.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

EditCallSubDlg::EditCallSubDlg(NativeWindow parent, CallSub* item) : item(item) {
  Create(parent, 300, 404, "Funktionsaufruf");
}

EditCallSubDlg::~EditCallSubDlg() {
  delete cancelButton;
  delete okButton;
  delete text;
  delete subList;
}

void EditCallSubDlg::PutControls() {
  text = new NativeLabel(this, 14, 10, 280, 70,
                         "Dieser Block startet ein Unterprogramm, führt es vollständig aus und wechselt dann "
                         "erst zum Block an der Pfeilspitze. Wähle das Unterprogramm hier aus:");
  subList = new NativeListbox(this, 14, 90, 280, 270);
  // Every sub, the start sub and the block's own one included; the current
  // target is deliberately not preselected.
  for (Sub* each : item->sub->project->subs) subList->AddItem(each->name, each);
  subList->onDoubleClick.push_back(NativeHandler(this, &EditCallSubDlg::OnListboxDblClick));
  okButton = new NativeButton(this, 84, 370, 100, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 194, 370, 100, 24, "Abbrechen", NativeButton::CancelButton);
}

bool EditCallSubDlg::OnOK() {
  int index = subList->GetSelection();
  if (index < 0) return false;
  item->target = static_cast<Sub*>(subList->GetItemData(index));
  return true;
}

void EditCallSubDlg::OnListboxDblClick(NativeControl*) {
  if (OnOK()) {
    ok = true;
    EndDialog();
  }
}

bool CallSub::OnEdit(NativeWindow parent) {
  EditCallSubDlg dialog(parent, this);
  return dialog.ok;
}
