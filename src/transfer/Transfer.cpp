#include "transfer/Transfer.h"

#include "compiler/Board.h"
#include "compiler/CodeWriteException.h"
#include "compiler/Compile.h"
#include "compiler/Program.h"
#include "document/Project.h"
#include "language/Settings.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Platform.h"
#include "transfer/ArduinoUploader.h"
#include "transfer/BascomUploader.h"
#include "transfer/TransferDialog.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

const char* const TransferErrorCaption = "Übertragungsfehler";
const char* const CompilerErrorCaption = "Compiler-Fehler:\n\n";
const char* const UnexpectedErrorText = "Bei der Übertragung ist ein unerwarteter Fehler aufgetreten.";

void RunTransferDialog(NativeWindow parent, Transfer* transfer) { TransferDialog dialog(parent, transfer); }

Transfer::ProgressRunner& CurrentRunner() {
  static Transfer::ProgressRunner runner = &RunTransferDialog;
  return runner;
}

void AppendRecord(std::string& out, unsigned address, const unsigned char* data, unsigned count) {
  char field[16];
  std::snprintf(field, sizeof field, ":%02X%04X00", count, address & 0xFFFF);
  out += field;
  unsigned sum = count + ((address >> 8) & 0xFF) + (address & 0xFF);
  for (unsigned i = 0; i < count; ++i) {
    std::snprintf(field, sizeof field, "%02X", data[i]);
    out += field;
    sum += data[i];
  }
  std::snprintf(field, sizeof field, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
  out += field;
}

}  // namespace

std::string IntelHexListing(const std::vector<unsigned char>& image) {
  std::string out;
  out.reserve(image.size() / 16 * 44 + 48);
  size_t offset = 0;
  for (; offset + 16 <= image.size(); offset += 16)
    AppendRecord(out, static_cast<unsigned>(offset), image.data() + offset, 16);
  if (offset < image.size())
    AppendRecord(out, static_cast<unsigned>(offset), image.data() + offset,
                 static_cast<unsigned>(image.size() - offset));
  out += "\n";
  return out;
}

Transfer::ProgressRunner Transfer::SetProgressRunner(ProgressRunner runner) {
  ProgressRunner previous = CurrentRunner();
  CurrentRunner() = runner ? runner : &RunTransferDialog;
  return previous;
}

Transfer::Transfer(Project* project, NativeWindow parent) : project(project) {
  if (Compile(parent)) Send(parent);
}

Transfer::~Transfer() { delete program; }

// Compiles, links and lists the image; false (after telling the user) when
// the project cannot be built.
bool Transfer::Compile(NativeWindow parent) {
  try {
    program = new Compiler::Program();
    Compiler::CompileAndLink(*project, *program);
    std::string listing = IntelHexListing(program->binary.code);
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    std::fflush(stdout);
    return true;
  } catch (const CodeWriteException& error) {
    MessageBox::Show(parent, error.message, TransferErrorCaption);
    errorItem = error.item;
  } catch (const std::runtime_error& error) {
    MessageBox::Show(parent, std::string("Internal compiler error:\n") + error.what(), CompilerErrorCaption);
  }
  return false;
}

void Transfer::Send(NativeWindow parent) {
  {
    NativeThreadStarter sender(&Transfer::SendThread, this);
    CurrentRunner()(parent, this);
    // However the progress ended, an upload still running is told to stop,
    // so the join below cannot wait for a board that never answers.
    if (State() != TransferDone) Cancel();
    sender.Join();
  }
  if (!errorMessage.empty()) MessageBox::Show(parent, errorMessage, TransferErrorCaption);
}

void Transfer::SendThread(void* arg) {
  auto* transfer = static_cast<Transfer*>(arg);
  WriteSharedInt(&transfer->state, TransferCompiling);
  try {
    const std::vector<unsigned char>& image = transfer->program->binary.code;
    if (TargetOf(theSettings.programmer) == Target::MandoletBootloader)
      BascomUploader uploader(theSettings.serialPort, image, &transfer->cancel, &transfer->state);
    else
      ArduinoUploader uploader(theSettings.serialPort, image, &transfer->cancel, &transfer->state);
  } catch (const UploaderException& error) {
    transfer->errorMessage = error.message;
  } catch (...) {
    // Anything else (memory exhausted, a failing thread service) still ends
    // the upload with a message instead of leaving the dialog waiting.
    transfer->errorMessage = UnexpectedErrorText;
  }
  WriteSharedInt(&transfer->state, TransferDone);
}
