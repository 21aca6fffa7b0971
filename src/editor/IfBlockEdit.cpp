#include "document/IfBlock.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

namespace {

const char* const ConditionHelp =
    "Eine Bedingung führt abhängig von einem mathematischen Ausdruck nur die Befehle an einem der beiden "
    "Pfeile aus. Die mathematischen Ausdrücke dürfen dabei als Gleichung oder Ungleichung formuliert sein. "
    "Trifft der Ausdruck zu, dann fährt das Programm mit dem Ja-Pfeil fort, sonst mit dem Nein-Pfeil.";

}  // namespace

EditIfDlg::EditIfDlg(NativeWindow parent, IfBlock* item)
    : ExpressionEditDlg(item->sub->project->variables, ConditionHelp, item->compare.GetString(" ")), item(item) {
  Create(parent, Width, Height, "Bedingungsblock");
}

std::vector<std::string> EditIfDlg::Suggestions(const std::string& typed) const {
  return ParsedCompare(variables, typed).SuggestCompletion();
}

bool EditIfDlg::OnOK() { return Accept(item->compare); }

bool IfBlock::OnEdit(NativeWindow parent) {
  EditIfDlg dialog(parent, this);
  return dialog.ok;
}
