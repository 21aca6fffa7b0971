#pragma once
// The progress of an upload: one line saying what the send thread is doing
// and an "Abbrechen" button. It closes by itself when the thread is done.
#include "toolkit/Gui.h"

class Transfer;

class TransferDialog : public NativeDialog {
public:
  static constexpr int TimerId = 1;
  static constexpr int TimerPeriod = 100;

  // Runs the dialog modally; returns when it has ended. A dialog ended in
  // any other way than by the finished upload or "Abbrechen" (Escape, the
  // window closed) sets the transfer's cancel flag as well.
  TransferDialog(NativeWindow parent, Transfer* transfer);
  ~TransferDialog();

  void PutControls() override;
  bool OnOK() override;
  void OnTimer() override;

  NativeButton* button = nullptr;
  NativeLabel* label = nullptr;
  Transfer* transfer;
};
