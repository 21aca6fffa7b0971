#pragma once
// One upload from the send command to the board: compile and link the
// project, list the image as Intel HEX on standard output, run the chosen
// uploader on a send thread while the progress dialog is up, and report any
// failure in a message box. All of it happens in the constructor.
#include "toolkit/NativeWindow.h"
#include "transfer/Uploader.h"

#include <string>
#include <vector>

class ChartItem;
class Project;
namespace Compiler {
class Program;
}

class Transfer {
public:
  // Shows the progress on the UI thread until the send thread reports
  // TransferDone or the user stops it; the progress dialog by default.
  using ProgressRunner = void (*)(NativeWindow parent, Transfer* transfer);

  Transfer(Project* project, NativeWindow parent);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // The send thread's body; arg is the Transfer.
  static void SendThread(void* arg);

  // Installs the progress runner and returns the one it replaces; null
  // restores the progress dialog.
  static ProgressRunner SetProgressRunner(ProgressRunner runner);

  // The shared flag and state, read and written whole from either thread.
  int State() { return ReadSharedInt(&state); }
  bool Cancelled() { return ReadSharedInt(&cancel) != 0; }
  void Cancel() { WriteSharedInt(&cancel, 1); }

  Project* project;
  // The item named by a compile error, for the caller to select and mark.
  ChartItem* errorItem = nullptr;
  Compiler::Program* program = nullptr;  // owned
  // Shared with the uploader and the dialog; only touched through the
  // atomic accessors above and in Uploader.h.
  int cancel = 0;
  int state = TransferGenerating;
  // The upload error; written by the send thread, read after the join.
  std::string errorMessage;

private:
  bool Compile(NativeWindow parent);
  void Send(NativeWindow parent);
};

// The image as Intel HEX data records of 16 bytes (the last one shorter),
// followed by an empty line; no end-of-file record.
std::string IntelHexListing(const std::vector<unsigned char>& image);
