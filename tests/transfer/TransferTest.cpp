// The upload driver without its dialog: the Intel HEX listing, compile
// errors, the uploader chosen by the settings, the shared cancel flag and
// state, and whole uploads of compiled projects to boards on
// pseudo-terminals.
#include "transfer/Transfer.h"

#include "TransferHarness.h"

#include "BoardPeers.h"
#include "OptibootBoard.h"
#include "UploadHarness.h"
#include "compiler/Program.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <sstream>

namespace {

TEST(IntelHexListing, TwentyBytesMakeAFullAndAShortRecord) {
  std::vector<unsigned char> image;
  for (unsigned char b = 0; b < 20; ++b) image.push_back(b);
  EXPECT_EQ(IntelHexListing(image),
            ":10000000000102030405060708090A0B0C0D0E0F78\n"
            ":0400100010111213A6\n"
            "\n");
}

TEST(IntelHexListing, WholeRecordsNeedNoShortOneAndEmptyImageIsOneEmptyLine) {
  EXPECT_EQ(IntelHexListing({}), "\n");
  std::vector<unsigned char> ones(32, 0xFF);
  // 0x10 + 16 * 0xFF = 0x1000: the checksum of the first record is 00.
  EXPECT_EQ(IntelHexListing(ones),
            ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\n"
            ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0\n"
            "\n");
  EXPECT_EQ(IntelHexListing({0xAB}), ":01000000AB54\n\n");
}

// Reads a listing back the way a programmer's tool would: every record's
// bytes, checksum included, add up to zero, and the addresses follow on.
TEST(IntelHexListing, ListingOfARandomImageReadsBackToTheImage) {
  for (size_t size : {15u, 16u, 17u, 1000u, 8192u}) {
    auto image = RandomImage(size, 3);
    std::istringstream listing(IntelHexListing(image));
    std::vector<unsigned char> readBack;
    std::string line;
    int records = 0;
    while (std::getline(listing, line) && !line.empty()) {
      ASSERT_EQ(line[0], ':');
      std::vector<unsigned> bytes;
      for (size_t i = 1; i + 1 < line.size(); i += 2) bytes.push_back(std::stoul(line.substr(i, 2), nullptr, 16));
      ASSERT_GE(bytes.size(), 5u);
      unsigned sum = 0;
      for (unsigned b : bytes) sum += b;
      EXPECT_EQ(sum & 0xFF, 0u) << line;
      EXPECT_EQ(bytes[0], bytes.size() - 5) << line;
      EXPECT_EQ(bytes[1] * 256 + bytes[2], readBack.size() & 0xFFFF) << line;
      EXPECT_EQ(bytes[3], 0u);
      for (size_t i = 4; i + 1 < bytes.size(); ++i) readBack.push_back(static_cast<unsigned char>(bytes[i]));
      ++records;
    }
    EXPECT_EQ(readBack, image);
    EXPECT_EQ(records, static_cast<int>((size + 15) / 16));
    EXPECT_FALSE(std::getline(listing, line)) << "nothing after the empty line";
  }
}

TEST(IntelHexListing, RecordAddressesKeepToSixteenBits) {
  std::vector<unsigned char> image(0x10000 + 16, 0x00);
  std::string listing = IntelHexListing(image);
  std::string zeros(32, '0');
  std::string wrap = ":10FFF000" + zeros + "01\n:10000000" + zeros + "F0\n\n";
  ASSERT_GE(listing.size(), wrap.size());
  EXPECT_EQ(listing.substr(listing.size() - wrap.size()), wrap);
}

TEST(Transfer, ChartErrorIsShownAndNamesItsItemWithoutUpload) {
  BoxRecorder boxes;
  ProgressScript progress;
  Chart chart;
  Sub* main = chart.Main();
  Chart::Chain(main, {chart.End(main)});
  ChartItem* orphan = chart.Assign(main, "var0 = 1");
  auto transfer = RunTransfer(chart.project, MainWindowStandIn);
  EXPECT_EQ(transfer->errorItem, orphan);
  EXPECT_EQ(progress.calls, 0);
  EXPECT_EQ(transfer->State(), TransferGenerating);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  Box box = boxes.Boxes()[0];
  EXPECT_EQ(box.text,
            "Dieser Block wird von keiner Stelle deines Programms benutzt!\nWenn du ihn nicht "
            "benötigst, lösche ihn!\nWenn du ihn aber benutzen willst, verbinde ihn mit einem Pfeil!");
  EXPECT_EQ(box.caption, TransferCaption);
  EXPECT_EQ(box.buttons, MessageBox::Buttons::Ok);
  EXPECT_EQ(box.icon, MessageBox::Icon::Information);
  EXPECT_EQ(box.owner, MainWindowStandIn);
}

TEST(Transfer, InternalCompilerErrorIsShownWithoutItemOrUpload) {
  BoxRecorder boxes;
  ProgressScript progress;
  Chart chart;
  Sub* main = chart.Main();
  // A condition without operator: the parser never makes one.
  auto* test = chart.If(main, "var0 = var1");
  test->compare.op = CompareOperator::None;
  Chart::Arrow(main, test);
  Chart::Arrow(test, chart.End(main));
  Chart::NoArrow(test, chart.End(main));
  std::string listing;
  auto transfer = RunTransfer(chart.project, MainWindowStandIn, &listing);
  EXPECT_EQ(listing, "") << "no listing of an image that failed to compile";
  EXPECT_EQ(transfer->errorItem, nullptr);
  EXPECT_EQ(progress.calls, 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Internal compiler error:\nInvalid CompareMode cannot be prepared for compiler");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Compiler-Fehler:\n\n");
  EXPECT_EQ(boxes.Boxes()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes.Boxes()[0].owner, MainWindowStandIn);
}

TEST(Transfer, ImageLargerThanTheFlashIsRefusedBeforeTheUpload) {
  BoxRecorder boxes;
  ProgressScript progress;
  Chart chart;
  Sub* main = chart.Main();
  std::string quoted(8002, 'x');  // built in place: GCC 12 misreads "\"" + text + "\"" at -O2
  quoted.front() = quoted.back() = '"';
  Chart::Chain(main, {chart.Do(main, "print_str", {quoted}), chart.End(main)});
  auto transfer = RunTransfer(chart.project, MainWindowStandIn);
  EXPECT_EQ(transfer->errorItem, nullptr);
  EXPECT_EQ(progress.calls, 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, TransferCaption);
  EXPECT_NE(boxes.Boxes()[0].text.find("zu groß"), std::string::npos);
}

// The whole way: compiled, listed, and sent through the bootloader protocol
// to the port named in the settings. The board ignores the greetings until
// the progress has seen the wait for the reset.
TEST(Transfer, CompiledProjectGoesThroughTheBootloaderToTheBoardOfTheSettings) {
  BoxRecorder boxes;
  BootloaderPeer board;
  std::atomic<bool> reset{false};
  PtyPeer peer([&](uint8_t b) { return reset ? board.OnByte(b) : std::vector<uint8_t>{}; });
  SettingsGuard settings("Corbelo", peer.Port());
  ProgressScript progress([&](Transfer* transfer) {
    board.state = &transfer->state;
    if (!progress.AwaitState(transfer, TransferWaitingForReset)) return;
    reset = true;
    EXPECT_TRUE(progress.AwaitState(transfer, TransferDone));
  });
  Greeting chart;
  std::string listing;
  auto transfer = RunTransfer(chart.project, MainWindowStandIn, &listing);
  peer.Stop();

  ASSERT_NE(transfer->program, nullptr);
  const std::vector<unsigned char>& image = transfer->program->binary.code;
  EXPECT_EQ(listing, IntelHexListing(image));
  EXPECT_EQ(board.image, PaddedToBlocks(image));
  EXPECT_TRUE(board.checksumsValid);
  EXPECT_TRUE(board.eot);
  EXPECT_EQ(board.stateAtFirstBlock, TransferSending);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(transfer->errorMessage, "");
  EXPECT_EQ(transfer->errorItem, nullptr);
  EXPECT_EQ(transfer->State(), TransferDone);
  EXPECT_FALSE(transfer->Cancelled());
  EXPECT_EQ(progress.calls, 1);
  ASSERT_FALSE(progress.statesSeen.empty());
  EXPECT_EQ(progress.statesSeen.back(), TransferDone);
}

// The first byte on the line tells the protocol: '{' greets the bootloader,
// 0x30 asks an STK500 bootloader for sync. Only exactly "Corbelo" picks the
// bootloader protocol, and the image sent is always built for the board
// behind that protocol. Each upload is stopped once the first byte is seen.
TEST(Transfer, ProgrammerOfTheSettingsChoosesTheProtocol) {
  struct Case {
    const char* programmer;
    uint8_t firstByte;
    const char* board;
  } cases[] = {
      {"Corbelo", '{', "Mandolet"}, {"Arduino", 0x30, "Arduino"}, {"corbelo", 0x30, "Arduino"}, {"", 0x30, "Arduino"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.programmer);
    BoxRecorder boxes;
    std::mutex mutex;
    std::vector<uint8_t> received;
    PtyPeer peer([&](uint8_t b) {
      std::lock_guard lock(mutex);
      received.push_back(b);
      return std::vector<uint8_t>{};
    });
    SettingsGuard settings(c.programmer, peer.Port());
    ProgressScript progress([&](Transfer* transfer) {
      EXPECT_TRUE(WaitFor([&] {
        std::lock_guard lock(mutex);
        return !received.empty();
      }));
      transfer->Cancel();  // "Abbrechen"
    });
    Greeting chart;
    auto transfer = RunTransfer(chart.project, MainWindowStandIn);
    peer.Stop();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0], c.firstByte);
    EXPECT_STREQ(transfer->program->board.name, c.board);
    EXPECT_EQ(transfer->State(), TransferDone);
    ASSERT_EQ(boxes.Boxes().size(), 1u) << "the stopped upload reports the step it was in";
    EXPECT_EQ(boxes.Boxes()[0].caption, TransferCaption);
    EXPECT_EQ(boxes.Boxes()[0].text, transfer->errorMessage);
  }
}

TEST(Transfer, PortThatCannotBeOpenedIsReportedAfterTheProgressEnds) {
  for (const char* programmer : {"Corbelo", "Arduino"}) {
    SCOPED_TRACE(programmer);
    BoxRecorder boxes;
    SettingsGuard settings(programmer, "/nonexistent/ttyPellburne");
    ProgressScript progress;
    Greeting chart;
    auto transfer = RunTransfer(chart.project, MainWindowStandIn);
    EXPECT_EQ(progress.calls, 1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, PortOpenText);
    EXPECT_EQ(boxes.Boxes()[0].caption, TransferCaption);
    EXPECT_EQ(transfer->errorMessage, PortOpenText);
    EXPECT_EQ(boxes.Boxes()[0].owner, MainWindowStandIn);
  }
}

// A board that is never reset: the bootloader greets it without a time
// limit. Stopping the progress by "Abbrechen" (the flag set) or in any other
// way (the flag left alone, as Escape does) both end the upload with the
// no-answer message instead of waiting for ever.
TEST(Transfer, ProgressEndedWhileWaitingForTheResetStopsTheUpload) {
  for (bool setFlag : {true, false}) {
    SCOPED_TRACE(setFlag ? "Abbrechen" : "closed otherwise");
    BoxRecorder boxes;
    BootloaderPeer board;
    board.answerForever = false;
    PtyPeer peer([&](uint8_t b) { return board.OnByte(b); });
    SettingsGuard settings("Corbelo", peer.Port());
    ProgressScript progress([&](Transfer* transfer) {
      if (!progress.AwaitState(transfer, TransferWaitingForReset)) return;
      if (setFlag) transfer->Cancel();
    });
    Greeting chart;
    auto transfer = RunTransfer(chart.project, MainWindowStandIn);
    peer.Stop();
    EXPECT_TRUE(transfer->Cancelled());
    EXPECT_EQ(transfer->State(), TransferDone);
    EXPECT_TRUE(board.blocks.empty());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, NoAnswerText);
    EXPECT_EQ(boxes.Boxes()[0].caption, TransferCaption);
  }
}

// STK500 to optiboot on a simulated ATmega328P: the flash holds the image.
TEST(TransferOptiboot, CompiledProjectIsWrittenToTheFlash) {
  BoxRecorder boxes;
  OptibootBoard board(0x55);
  SettingsGuard settings("Arduino", board.Port());
  ProgressScript progress;
  Greeting chart;
  auto transfer = RunTransfer(chart.project, MainWindowStandIn);
  board.Stop();
  EXPECT_TRUE(boxes.Boxes().empty()) << transfer->errorMessage;
  auto image = transfer->program->binary.code;
  image.resize((image.size() + 127) / 128 * 128, 0xFF);
  EXPECT_EQ(board.Flash(0, static_cast<uint32_t>(image.size())), image);
  EXPECT_TRUE(board.ApplicationStarted());
}

// STK500 reaches an Arduino: the chart is compiled for it, and once optiboot
// starts it, its text comes out of the board's serial port.
TEST(TransferOptiboot, ChartRunsOnTheArduinoAndPrintsItsText) {
  BoxRecorder boxes;
  OptibootBoard board;
  board.RunApplication();
  SettingsGuard settings("Arduino", board.Port());
  ProgressScript progress;
  Greeting chart;
  auto transfer = RunTransfer(chart.project, MainWindowStandIn);
  EXPECT_TRUE(boxes.Boxes().empty()) << transfer->errorMessage;
  EXPECT_TRUE(WaitFor([&] { return board.ApplicationEnded(); }, 5s));
  board.Stop();
  EXPECT_EQ(board.ApplicationOutput(), "Hallo Welt");
}

}  // namespace
