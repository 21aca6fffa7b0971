#include "document/Assignment.h"
#include "document/Project.h"
#include "document/Sub.h"
#include "editor/EditDialogs.h"

namespace {

const char* const AssignmentHelp =
    "Eine Zuweisung gibt einer Variablen oder einem Port einen neuen Wert. Dabei kannst du den neuen Wert "
    "auch wieder von einer anderen Variable bzw. Pin abhängig machen oder sogar mit mathematischen "
    "Ausdrücken ändern. Mit 'intVariable0 = intVariable1 + 1' hat intVariable0 einen um 1 höheren Wert als "
    "intVariable1.";

}  // namespace

EditAssignmentDlg::EditAssignmentDlg(NativeWindow parent, Assignment* item)
    : ExpressionEditDlg(item->sub->project->variables, AssignmentHelp, item->assignment.GetString(" ")), item(item) {
  Create(parent, Width, Height, "Zuweisung");
}

std::vector<std::string> EditAssignmentDlg::Suggestions(const std::string& typed) const {
  return ParsedAssignment(variables, typed).SuggestCompletions();
}

bool EditAssignmentDlg::OnOK() { return Accept(item->assignment); }

bool Assignment::OnEdit(NativeWindow parent) {
  EditAssignmentDlg dialog(parent, this);
  return dialog.ok;
}
