#include "editor/EditAliases.h"

#include "language/Variables.h"

EditAliasesDialog::EditAliasesDialog(NativeWindow parent, Variables* table) : table(table) {
  Create(parent, 285, 485, "Variablen");
}

EditAliasesDialog::~EditAliasesDialog() {
  names.clear();
  delete helpText;
  delete aliasList;
  delete newButton;
  delete okButton;
}

std::string EditAliasesDialog::EntryText(const std::string& alias) const {
  return alias + " > " + table->GetAliasDestination(alias);
}

void EditAliasesDialog::PutControls() {
  helpText = new NativeLabel(this, 20, 15, 250, 100,
                             "Hier kannst du den vorhandenen Variablen und Ports eigene Namen geben, damit dein "
                             "Flussdiagramm noch verständlicher ist. Klicke doppelt auf einen Eintrag, um ihn zu "
                             "verändern oder füge einen neuen hinzu.");
  aliasList = new NativeListbox(this, 20, 130, 250, 300);
  for (const std::string& alias : table->GetAllAliases()) {
    names.push_back(std::make_unique<std::string>(alias));
    aliasList->AddItem(EntryText(alias), names.back().get());
  }
  aliasList->onSelectionChange.push_back(NativeHandler(this, &EditAliasesDialog::OnChangeCurrent));
  newButton = new NativeButton(this, 20, 445, 100, 24, "Neu", NativeButton::NormalButton);
  newButton->onClick.push_back(NativeHandler(this, &EditAliasesDialog::OnNew));
  okButton = new NativeButton(this, 170, 445, 100, 24, "OK", NativeButton::OkButton);
}

// Every change is in the table already.
bool EditAliasesDialog::OnOK() { return true; }

void EditAliasesDialog::OnChangeCurrent(NativeControl*) {
  int index = aliasList->GetSelection();
  if (index < 0 || index >= static_cast<int>(names.size())) return;
  AliasDialog dialog(hwnd, *names[index], table);
  if (!dialog.ok) return;
  auto name = std::make_unique<std::string>(dialog.acceptedName);
  aliasList->SetItem(index, EntryText(*name), name.get());
  names[index] = std::move(name);
  aliasList->SetSelection(index);
}

void EditAliasesDialog::OnNew(NativeControl*) {
  AliasDialog dialog(hwnd, "", table);
  if (!dialog.ok) return;
  names.push_back(std::make_unique<std::string>(dialog.acceptedName));
  aliasList->AddItem(EntryText(dialog.acceptedName), names.back().get());
}

AliasDialog::AliasDialog(NativeWindow parent, const std::string& name, Variables* table) : table(table), oldName(name) {
  Create(parent, 340, 220, "Alias bearbeiten");
}

AliasDialog::~AliasDialog() {
  delete aliasName;
  delete target;
  delete okButton;
  delete cancelButton;
}

void AliasDialog::PutControls() {
  aliasName = new NativeEdit(this, 20, 20, 310, 21, oldName, false);
  target = new NativeSuggest(this, 20, 50, 310, 21, 100);
  target->SetWindowText(table->GetAliasDestination(oldName));
  target->onSuggest.push_back(NativeHandler(this, &AliasDialog::OnSuggest));
  okButton = new NativeButton(this, 110, 180, 100, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 230, 180, 100, 24, "Abbrechen", NativeButton::CancelButton);
}

// The name the dialog was opened with decides the kinds offered: a new alias
// may stand for anything.
void AliasDialog::OnSuggest(NativeControl*) {
  target->SetSuggestions(table->SuggestAliasTargets(target->GetText(), oldName));
}

bool AliasDialog::OnOK() {
  acceptedName = aliasName->GetText();
  if (oldName.empty()) return table->AddAlias(acceptedName, target->GetText());
  return table->UpdateAlias(oldName, acceptedName, target->GetText());
}
