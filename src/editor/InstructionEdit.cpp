#include "document/Instruction.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"
#include "language/Expressions.h"

// The instruction picker of the tool bar: a single click picks a row.

SelectInstructionDlg::SelectInstructionDlg(NativeWindow parent) { Create(parent, 215, 562, "Befehl auswählen"); }

SelectInstructionDlg::~SelectInstructionDlg() { delete list; }

void SelectInstructionDlg::PutControls() {
  list = new NativeListbox(this, 10, 10, 200, 542);
  list->SetItemHeight(30);
  for (const InstructionInfo& row : Instruction::InstructionInfos)
    list->AddItem(row.displayName, const_cast<InstructionInfo*>(&row));
  list->onSelectionChange.push_back(NativeHandler(this, &SelectInstructionDlg::OnSelectionChange));
}

bool SelectInstructionDlg::OnOK() {
  int index = list->GetSelection();
  if (index < 0 || index >= Instruction::InstructionInfosCount) return false;
  chosen = static_cast<const InstructionInfo*>(list->GetItemData(index));
  return true;
}

void SelectInstructionDlg::OnSelectionChange(NativeControl*) {
  if (OnOK()) {
    ok = true;
    EndDialog();
  }
}

// The argument and result texts of one instruction block, one column each.

int EditInstructionDlg::ColumnCount(const InstructionInfo* info) {
  return info->argumentCount + (info->resultMask != 0 ? 1 : 0);
}

EditInstructionDlg::EditInstructionDlg(NativeWindow parent, Instruction* item) : item(item), info(item->info) {
  Create(parent, ColumnCount(info) * 200, 330, "Befehl");
}

EditInstructionDlg::~EditInstructionDlg() {
  for (int c = 0; c < MaxColumns; ++c) {
    delete labels[c];
    delete edits[c];
    delete lists[c];
  }
  delete okButton;
}

int EditInstructionDlg::ColumnMask(int column) const {
  return column < info->argumentCount ? info->arguments[column].typeMask : info->resultMask;
}

void EditInstructionDlg::PutControls() {
  const Variables& variables = item->sub->project->variables;
  const int columns = ColumnCount(info);
  for (int c = 0; c < columns; ++c) {
    const int x = 10 + 200 * c;
    const bool isArgument = c < info->argumentCount;
    labels[c] = new NativeLabel(this, x, 10, 180, 21, isArgument ? info->arguments[c].label : "Ergebnis");
    edits[c] = new NativeEdit(this, x, 32, 180, 18, isArgument ? item->arguments[c] : item->result, false);
    lists[c] = new NativeListbox(this, x, 60, 180, 220);
    for (const std::string& operand : variables.FormatOperands(ColumnMask(c), "", ""))
      lists[c]->AddItem(operand, nullptr);
    lists[c]->onDoubleClick.push_back(NativeHandler(this, &EditInstructionDlg::OnListboxDblClick));
  }
  okButton = new NativeButton(this, columns * 200 - 110, 290, 100, 24, "OK", NativeButton::OkButton);
}

void EditInstructionDlg::OnListboxDblClick(NativeControl* control) {
  for (int c = 0; c < MaxColumns; ++c) {
    if (lists[c] != control) continue;
    int index = lists[c]->GetSelection();
    std::string text;
    lists[c]->GetText(index, text);
    if (index >= 0) edits[c]->SetWindowText(text);
  }
}

// Every column is checked before any is stored, so a refused OK leaves the
// block exactly as it was. The texts are stored without the blanks around
// them, which the parser skips but a result label would keep.
bool EditInstructionDlg::OnOK() {
  const Variables& variables = item->sub->project->variables;
  const int columns = ColumnCount(info);
  std::vector<std::string> texts;
  for (int c = 0; c < columns; ++c) {
    ParsedParameter parameter(variables, edits[c]->GetText());
    if (!parameter.IsValid(ColumnMask(c))) return false;
    texts.push_back(Trim(parameter.GetText()));
  }
  for (int c = 0; c < columns; ++c) {
    if (c < info->argumentCount)
      item->arguments[c] = texts[c];
    else
      item->result = texts[c];
  }
  return true;
}

// A row without arguments and result has nothing to edit.
bool Instruction::OnEdit(NativeWindow parent) {
  if (!info || EditInstructionDlg::ColumnCount(info) == 0) return false;
  EditInstructionDlg dialog(parent, this);
  return dialog.ok;
}
