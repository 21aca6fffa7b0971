#pragma once
// The program settings the user can change: the serial port of uploads.
#include "toolkit/Gui.h"
#include "toolkit/NativeWindow.h"

class SettingsDialog : public NativeDialog {
public:
  explicit SettingsDialog(NativeWindow parent);
  ~SettingsDialog();

  void PutControls() override;
  bool OnOK() override;

  NativeLabel* label = nullptr;
  NativeEdit* port = nullptr;
  NativeButton* okButton = nullptr;
  NativeButton* cancelButton = nullptr;
};
