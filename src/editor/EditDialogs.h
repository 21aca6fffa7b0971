#pragma once
// The edit dialogs of the chart items, the instruction picker of the tool bar
// and the rename/delete dialog of a sub's tab. Each dialog runs modally inside
// its constructor; the caller reads ok (and the outputs) afterwards.
#include "toolkit/Gui.h"
#include "toolkit/NativeWindow.h"

#include <string>
#include <vector>

class CallSub;
class Comment;
class Instruction;
struct InstructionInfo;
class Assignment;
class IfBlock;
class Sub;
class ChartView;
class Variables;

class EditCallSubDlg : public NativeDialog {
public:
  EditCallSubDlg(NativeWindow parent, CallSub* item);
  ~EditCallSubDlg();

  void PutControls() override;
  bool OnOK() override;
  void OnListboxDblClick(NativeControl* control);

  CallSub* item;
  NativeButton* cancelButton = nullptr;
  NativeButton* okButton = nullptr;
  NativeLabel* text = nullptr;
  NativeListbox* subList = nullptr;
};

class EditCommentDlg : public NativeDialog {
public:
  EditCommentDlg(NativeWindow parent, Comment* item);
  ~EditCommentDlg();

  void PutControls() override;
  bool OnOK() override;

  Comment* item;
  NativeButton* cancelButton = nullptr;
  NativeButton* okButton = nullptr;
  NativeEdit* text = nullptr;
};

class SelectInstructionDlg : public NativeDialog {
public:
  explicit SelectInstructionDlg(NativeWindow parent);
  ~SelectInstructionDlg();

  void PutControls() override;
  bool OnOK() override;
  void OnSelectionChange(NativeControl* control);

  NativeListbox* list = nullptr;
  const InstructionInfo* chosen = nullptr;  // valid only when ok
};

class EditInstructionDlg : public NativeDialog {
public:
  static constexpr int MaxColumns = 4;  // three arguments and the result

  EditInstructionDlg(NativeWindow parent, Instruction* item);
  ~EditInstructionDlg();

  void PutControls() override;
  bool OnOK() override;
  void OnListboxDblClick(NativeControl* control);

  // Argument columns first, then the result column when the row has one.
  static int ColumnCount(const InstructionInfo* info);

  Instruction* item;
  const InstructionInfo* info;
  NativeLabel* labels[MaxColumns] = {};
  NativeEdit* edits[MaxColumns] = {};
  NativeListbox* lists[MaxColumns] = {};
  NativeButton* okButton = nullptr;

private:
  int ColumnMask(int column) const;
};

// The dialog body shared by assignments and conditions: a help text, one
// completion edit holding the block's text, OK and Cancel. A subclass gives
// the title, the help text, the completions and the rule that OK applies.
class ExpressionEditDlg : public NativeDialog {
public:
  static constexpr int Width = 470;
  static constexpr int Height = 364;

  void PutControls() override;
  void OnSuggest(NativeControl* control);

  NativeLabel* helpText = nullptr;
  NativeSuggest* input = nullptr;
  NativeButton* okButton = nullptr;
  NativeButton* cancelButton = nullptr;

protected:
  // variables: the table the text is parsed against; text: what the input
  // starts with, the block's text regenerated.
  ExpressionEditDlg(const Variables& variables, const char* help, std::string text);
  ~ExpressionEditDlg();

  // The completions offered for the text typed so far.
  virtual std::vector<std::string> Suggestions(const std::string& typed) const = 0;

  // OK's rule: the input parsed as a Parsed is stored into slot when it is
  // valid; otherwise the dialog stays open, without a message.
  template <typename Parsed>
  bool Accept(Parsed& slot) const {
    Parsed parsed(variables, input->GetText());
    if (!parsed.IsValid()) return false;
    slot = parsed;
    return true;
  }

  const Variables& variables;

private:
  const char* help;
  std::string text;
};

class EditAssignmentDlg final : public ExpressionEditDlg {
public:
  EditAssignmentDlg(NativeWindow parent, Assignment* item);

  // Target known, right side complete, and an operand type the target takes.
  bool OnOK() override;

  Assignment* item;

private:
  std::vector<std::string> Suggestions(const std::string& typed) const override;
};

class EditIfDlg final : public ExpressionEditDlg {
public:
  EditIfDlg(NativeWindow parent, IfBlock* item);

  // Both operands valid; a condition compares operands of any kinds.
  bool OnOK() override;

  IfBlock* item;

private:
  std::vector<std::string> Suggestions(const std::string& typed) const override;
};

class EditSubDlg : public NativeDialog {
public:
  // ok after a rename; not ok after Cancel and after a deletion.
  EditSubDlg(NativeWindow parent, Sub* sub, ChartView* view);
  ~EditSubDlg();

  void PutControls() override;
  bool OnOK() override;
  void OnDelete(NativeControl* control);

  Sub* sub;
  ChartView* view;
  NativeLabel* label = nullptr;
  NativeEdit* name = nullptr;
  NativeButton* okButton = nullptr;
  NativeButton* cancelButton = nullptr;
  NativeButton* deleteButton = nullptr;
};
