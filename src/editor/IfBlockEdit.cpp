#include "document/IfBlock.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

EditIfDlg::EditIfDlg(NativeWindow parent, IfBlock* item) : item(item) {
  Create(parent, 470, 364, "Bedingungsblock");
}

EditIfDlg::~EditIfDlg() {
  delete helpText;
  delete input;
  delete okButton;
  delete cancelButton;
}

void EditIfDlg::PutControls() {
  helpText = new NativeLabel(
      this, 14, 10, 450, 80,
      "Eine Bedingung führt abhängig von einem mathematischen Ausdruck nur die Befehle an einem der beiden "
      "Pfeile aus. Die mathematischen Ausdrücke dürfen dabei als Gleichung oder Ungleichung formuliert sein. "
      "Trifft der Ausdruck zu, dann fährt das Programm mit dem Ja-Pfeil fort, sonst mit dem Nein-Pfeil.");
  input = new NativeSuggest(this, 14, 100, 450, 21, 200);
  input->SetWindowText(item->compare.GetString(" "));
  input->onSuggest.push_back(NativeHandler(this, &EditIfDlg::OnSuggest));
  okButton = new NativeButton(this, 294, 330, 80, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 384, 330, 80, 24, "Abbrechen", NativeButton::CancelButton);
}

void EditIfDlg::OnSuggest(NativeControl*) {
  ParsedCompare parsed(item->sub->project->variables, input->GetText());
  input->SetSuggestions(parsed.SuggestCompletion());
}

// Both operands valid; a condition compares operands of any kinds.
bool EditIfDlg::OnOK() {
  ParsedCompare parsed(item->sub->project->variables, input->GetText());
  if (!parsed.IsValid())
    return false;
  item->compare = parsed;
  return true;
}

bool IfBlock::OnEdit(NativeWindow parent) {
  EditIfDlg dialog(parent, this);
  return dialog.ok;
}
