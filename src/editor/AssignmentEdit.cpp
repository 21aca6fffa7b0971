#include "document/Assignment.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

EditAssignmentDlg::EditAssignmentDlg(NativeWindow parent, Assignment* item) : item(item) {
  Create(parent, 470, 364, "Zuweisung");
}

EditAssignmentDlg::~EditAssignmentDlg() {
  delete helpText;
  delete input;
  delete okButton;
  delete cancelButton;
}

void EditAssignmentDlg::PutControls() {
  helpText = new NativeLabel(
      this, 14, 10, 450, 80,
      "Eine Zuweisung gibt einer Variablen oder einem Port einen neuen Wert. Dabei kannst du den neuen Wert "
      "auch wieder von einer anderen Variable bzw. Pin abhängig machen oder sogar mit mathematischen "
      "Ausdrücken ändern. Mit 'intVariable0 = intVariable1 + 1' hat intVariable0 einen um 1 höheren Wert als "
      "intVariable1.");
  input = new NativeSuggest(this, 14, 100, 450, 21, 200);
  input->SetWindowText(item->assignment.GetString(" "));
  input->onSuggest.push_back(NativeHandler(this, &EditAssignmentDlg::OnSuggest));
  okButton = new NativeButton(this, 294, 330, 80, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 384, 330, 80, 24, "Abbrechen", NativeButton::CancelButton);
}

void EditAssignmentDlg::OnSuggest(NativeControl*) {
  ParsedAssignment parsed(item->sub->project->variables, input->GetText());
  input->SetSuggestions(parsed.SuggestCompletions());
}

// Target known, right side complete, and an operand type the target takes.
bool EditAssignmentDlg::OnOK() {
  ParsedAssignment parsed(item->sub->project->variables, input->GetText());
  if (!parsed.IsValid())
    return false;
  item->assignment = parsed;
  return true;
}

bool Assignment::OnEdit(NativeWindow parent) {
  EditAssignmentDlg dialog(parent, this);
  return dialog.ok;
}
