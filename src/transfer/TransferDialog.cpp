#include "transfer/TransferDialog.h"

#include "transfer/Transfer.h"

#include <string>

namespace {

const std::string Title = "Übertragen";

const char* StateText(int state) {
  switch (state) {
  case TransferGenerating:
    return "Erzeuge Code";
  case TransferCompiling:
    return "Kompiliere Code";
  case TransferWaitingForReset:
    return "Bitte führe einen Reset durch";
  case TransferSending:
    return "Sende Programm";
  default:
    return nullptr;
  }
}

}  // namespace

TransferDialog::TransferDialog(NativeWindow parent, Transfer* transfer) : transfer(transfer) {
  Create(parent, 480, 150, Title);
  // ok is set by the finished upload and by "Abbrechen" (which has set the
  // flag already); anything else must not leave the upload running while
  // the caller waits for it.
  if (!ok) transfer->Cancel();
}

TransferDialog::~TransferDialog() {
  delete button;
  delete label;
}

void TransferDialog::PutControls() {
  button = new NativeButton(this, 190, 110, 100, 24, "Abbrechen", NativeButton::OkButton);
  label = new NativeLabel(this, 10, 10, 400, 20, StateText(TransferGenerating));
  SetTimer(TimerId, TimerPeriod);
}

bool TransferDialog::OnOK() {
  transfer->Cancel();
  return true;
}

void TransferDialog::OnTimer() {
  int state = transfer->State();
  if (state == TransferDone) {
    KillTimer(TimerId);
    ok = true;
    EndDialog();
  } else if (const char* text = StateText(state)) {
    label->SetWindowText(text);
  }
}
