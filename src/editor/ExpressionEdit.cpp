#include "editor/EditDialogs.h"

#include <utility>

ExpressionEditDlg::ExpressionEditDlg(const Variables& variables, const char* help, std::string text)
    : variables(variables), help(help), text(std::move(text)) {}

ExpressionEditDlg::~ExpressionEditDlg() {
  delete helpText;
  delete input;
  delete okButton;
  delete cancelButton;
}

void ExpressionEditDlg::PutControls() {
  helpText = new NativeLabel(this, 14, 10, 450, 80, help);
  input = new NativeSuggest(this, 14, 100, 450, 21, 200);
  input->SetWindowText(text);
  input->onSuggest.push_back(NativeHandler(this, &ExpressionEditDlg::OnSuggest));
  okButton = new NativeButton(this, 294, 330, 80, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 384, 330, 80, 24, "Abbrechen", NativeButton::CancelButton);
}

// Runs each time the input's list is about to show.
void ExpressionEditDlg::OnSuggest(NativeControl*) { input->SetSuggestions(Suggestions(input->GetText())); }
