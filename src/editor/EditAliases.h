#pragma once
// The dialogs over a project's operand table: the list of its aliases, and
// the dialog that creates or changes one alias. Every accepted alias dialog
// changes the table at once.
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Gui.h"
#include "toolkit/NativeWindow.h"

class Variables;

class EditAliasesDialog : public NativeDialog {
public:
  EditAliasesDialog(NativeWindow parent, Variables* table);
  ~EditAliasesDialog();

  void PutControls() override;
  bool OnOK() override;
  void OnChangeCurrent(NativeControl* control);
  void OnNew(NativeControl* control);

  NativeLabel* helpText = nullptr;
  NativeListbox* aliasList = nullptr;
  NativeButton* newButton = nullptr;
  NativeButton* okButton = nullptr;
  Variables* table;

private:
  // An entry's text: the alias name, " > " and what it stands for.
  std::string EntryText(const std::string& alias) const;
  // Each entry carries its own copy of its alias name as its data; the
  // copies live here, entry by entry, since the list's window is gone when
  // the dialog is destroyed.
  std::vector<std::unique_ptr<std::string>> names;
};

class AliasDialog : public NativeDialog {
public:
  // An empty name makes a new alias.
  AliasDialog(NativeWindow parent, const std::string& name, Variables* table);
  ~AliasDialog();

  void PutControls() override;
  bool OnOK() override;
  void OnSuggest(NativeControl* control);

  NativeEdit* aliasName = nullptr;
  NativeSuggest* target = nullptr;
  NativeButton* okButton = nullptr;
  NativeButton* cancelButton = nullptr;
  Variables* table;
  std::string oldName;       // empty for a new alias
  std::string acceptedName;  // set by OK
};
