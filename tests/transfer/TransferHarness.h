#pragma once
// What the transfer tests share: recorded message boxes, the programmer and
// port of the settings, waiting with a limit, a small project, and a
// stand-in for the progress dialog.
#include "support/BoxRecorder.h"
#include "../compiler/Charts.h"
#include "language/Settings.h"
#include "toolkit/MessageBox.h"
#include "transfer/BascomUploader.h"
#include "transfer/Transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

inline const std::string TransferCaption = "Übertragungsfehler";

using Box = RecordedBox;

// Stands for the main window where no window is shown: only compared.
inline char mainWindowStandIn;
inline NativeWindow const MainWindowStandIn = reinterpret_cast<NativeWindow>(&mainWindowStandIn);

// Points the upload at a programmer and a port while it lives.
class SettingsGuard {
public:
  SettingsGuard(const std::string& programmer, const std::string& port)
      : programmer(theSettings.programmer), port(theSettings.serialPort) {
    theSettings.programmer = programmer;
    theSettings.serialPort = port;
  }
  ~SettingsGuard() {
    theSettings.programmer = programmer;
    theSettings.serialPort = port;
  }

private:
  std::string programmer, port;
};

inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// A project of two blocks that prints a text and ends.
struct Greeting : Chart {
  Greeting() { Chain(Main(), {Do(Main(), "print_str", {"\"Hallo Welt\""}), End(Main())}); }
};

// Stands in for the progress dialog: runs the test's script on the UI
// thread, by default waiting for the send thread to finish. A script that
// returns early is like a dialog the user closed.
class ProgressScript {
public:
  using Body = std::function<void(Transfer*)>;
  explicit ProgressScript(Body body = {}) : body(std::move(body)) {
    current = this;
    previous = Transfer::SetProgressRunner(&Run);
  }
  ~ProgressScript() {
    Transfer::SetProgressRunner(previous);
    current = nullptr;
  }
  int calls = 0;
  std::vector<int> statesSeen;  // each change the script noticed

  // Waits until the state is the given one, noting what it passes; false
  // (and the upload stopped) when it does not come in time.
  bool AwaitState(Transfer* transfer, int wanted) {
    bool reached = WaitFor([&] {
      int state = transfer->State();
      if (statesSeen.empty() || statesSeen.back() != state) statesSeen.push_back(state);
      return state == wanted;
    });
    if (!reached) transfer->Cancel();
    return reached;
  }

private:
  static void Run(NativeWindow, Transfer* transfer) {
    ++current->calls;
    if (current->body)
      current->body(transfer);
    else
      EXPECT_TRUE(current->AwaitState(transfer, TransferDone));
  }
  static inline ProgressScript* current = nullptr;
  Body body;
  Transfer::ProgressRunner previous;
};

inline std::vector<unsigned char> PaddedToBlocks(std::vector<unsigned char> image) {
  while (image.size() % 128 != 0) image.push_back(BascomUploader::PaddingChar);
  return image;
}

// A whole transfer of the project, with the listing it prints kept off the
// test output (and handed over when asked for).
inline std::unique_ptr<Transfer> RunTransfer(Project& project, NativeWindow parent, std::string* listing = nullptr) {
  testing::internal::CaptureStdout();
  auto transfer = std::make_unique<Transfer>(&project, parent);
  std::string printed = testing::internal::GetCapturedStdout();
  if (listing) *listing = printed;
  return transfer;
}
