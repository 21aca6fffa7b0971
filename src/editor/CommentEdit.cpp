#include "document/Comment.h"
#include "editor/EditDialogs.h"

EditCommentDlg::EditCommentDlg(NativeWindow parent, Comment* item) : item(item) {
  Create(parent, 300, 324, "Kommentar bearbeiten");
}

EditCommentDlg::~EditCommentDlg() {
  delete cancelButton;
  delete okButton;
  delete text;
}

void EditCommentDlg::PutControls() {
  text = new NativeEdit(this, 10, 10, 280, 270, item->text, true);
  okButton = new NativeButton(this, 80, 290, 100, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 190, 290, 100, 24, "Abbrechen", NativeButton::CancelButton);
}

// Any text, the empty one included; the comment keeps its size.
bool EditCommentDlg::OnOK() {
  item->text = text->GetText();
  return true;
}

bool Comment::OnEdit(NativeWindow parent) {
  EditCommentDlg dialog(parent, this);
  return dialog.ok;
}
