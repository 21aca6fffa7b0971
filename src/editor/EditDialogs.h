#pragma once
// The edit dialogs of the chart items, the instruction picker of the tool bar
// and the rename/delete dialog of a sub's tab. Each dialog runs modally inside
// its constructor; the caller reads ok (and the outputs) afterwards.
#include "toolkit/Gui.h"
#include "toolkit/NativeWindow.h"

class CallSub;
class Comment;
class Instruction;
struct InstructionInfo;
class Assignment;
class IfBlock;
class Sub;
class ChartView;

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

// The dialog body shared by assignments and conditions: a help text and one
// completion edit.
class EditAssignmentDlg : public NativeDialog {
 public:
  EditAssignmentDlg(NativeWindow parent, Assignment* item);
  ~EditAssignmentDlg();

  void PutControls() override;
  bool OnOK() override;
  void OnSuggest(NativeControl* control);

  Assignment* item;
  NativeLabel* helpText = nullptr;
  NativeSuggest* input = nullptr;
  NativeButton* okButton = nullptr;
  NativeButton* cancelButton = nullptr;
};

class EditIfDlg : public NativeDialog {
 public:
  EditIfDlg(NativeWindow parent, IfBlock* item);
  ~EditIfDlg();

  void PutControls() override;
  bool OnOK() override;
  void OnSuggest(NativeControl* control);

  IfBlock* item;
  NativeLabel* helpText = nullptr;
  NativeSuggest* input = nullptr;
  NativeButton* okButton = nullptr;
  NativeButton* cancelButton = nullptr;
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
