#include "editor/SettingsDialog.h"

#include "language/Settings.h"

SettingsDialog::SettingsDialog(NativeWindow parent) { Create(parent, 480, 150, "Einstellungen"); }

SettingsDialog::~SettingsDialog() {
  delete label;
  delete port;
  delete okButton;
  delete cancelButton;
}

void SettingsDialog::PutControls() {
  label = new NativeLabel(this, 20, 10, 95, 21, "Serieller Port");
  port = new NativeEdit(this, 120, 10, 350, 21, theSettings.serialPort, false);
  okButton = new NativeButton(this, 260, 110, 100, 24, "OK", NativeButton::OkButton);
  cancelButton = new NativeButton(this, 370, 110, 100, 24, "Abbrechen", NativeButton::CancelButton);
}

// Taken as typed; the file is rewritten at exit, even when nothing changed.
bool SettingsDialog::OnOK() {
  theSettings.serialPort = port->GetText();
  theSettings.changed = true;
  return true;
}
