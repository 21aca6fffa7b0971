#include "transfer/ArduinoUploader.h"

#include "BoardPeers.h"
#include "UploadHarness.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

const std::string BaseText = NoAnswerText;
const std::string NoSyncText = BaseText + "\n (no sync)";
const std::string VersionText = BaseText + "\n (invalid version)";
const std::string SignatureText = BaseText + "\n (invalid avr-signature)";
const std::string ByteText = BaseText + "\n (unexpected/missing byte response)";

// An STK500 bootloader in the tests, with scripted faults.
struct Stk500Board {
  // Script.
  std::vector<uint8_t> syncReply = {0x14, 0x10};
  uint8_t major = 4, minor = 4;
  std::vector<uint8_t> signature = {0x1E, 0x95, 0x0F};
  int silentPage = -1;    // this page (0-based) gets no confirmation
  int* cancel = nullptr;  // set it ...
  int cancelAtSync = 0;   // ... when this sync arrives (1-based)
  int cancelAtPage = 0;   // ... or when this page arrives (1-based)
  int* state = nullptr;

  // Record.
  int syncs = 0;
  bool progMode = false, left = false, malformed = false;
  std::vector<unsigned> addresses;
  std::vector<std::vector<uint8_t>> pages;
  int stateAtSync = -1, stateAtPage = -1;

  std::vector<uint8_t> OnByte(uint8_t b) {
    command.push_back(b);
    size_t length = 2;
    switch (command[0]) {
    case 'A':
      length = 3;
      break;
    case 'U':
      length = 4;
      break;
    case 'd':
      length = command.size() >= 3 ? 5u + ((command[1] << 8) | command[2]) : 5;
      break;
    default:
      break;
    }
    if (command.size() < length) return {};
    std::vector<uint8_t> c;
    c.swap(command);
    if (c.back() != 0x20) malformed = true;
    switch (c[0]) {
    case '0':
      ++syncs;
      if (syncs == 1) stateAtSync = ReadSharedInt(state);
      if (cancel && syncs == cancelAtSync) WriteSharedInt(cancel, 1);
      return syncReply;
    case 'A':
      if (c[1] == 0x81) return {0x14, major, 0x10};
      if (c[1] == 0x82) return {0x14, minor, 0x10};
      return {0x14, 0x00, 0x10};
    case 'P':
      progMode = true;
      return {0x14, 0x10};
    case 'Q':
      left = true;
      return {0x14, 0x10};
    case 'u': {
      std::vector<uint8_t> reply = {0x14};
      reply.insert(reply.end(), signature.begin(), signature.end());
      reply.push_back(0x10);
      return reply;
    }
    case 'U':
      addresses.push_back(c[1] | (c[2] << 8));
      return {0x14, 0x10};
    case 'd': {
      if (c[3] != 'F') malformed = true;
      pages.emplace_back(c.begin() + 4, c.end() - 1);
      if (pages.size() == 1) stateAtPage = ReadSharedInt(state);
      if (cancel && static_cast<int>(pages.size()) == cancelAtPage) WriteSharedInt(cancel, 1);
      if (static_cast<int>(pages.size()) - 1 == silentPage) return {};
      return {0x14, 0x10};
    }
    default:
      malformed = true;
      return {};
    }
  }

private:
  std::vector<uint8_t> command;
};

struct PeerRun {
  Stk500Board board;
  int cancel = 0;
  int state = TransferCompiling;

  std::string Upload(const std::vector<unsigned char>& image) {
    board.state = &state;
    PtyPeer peer([&](uint8_t b) { return board.OnByte(b); });
    std::string error = RunUpload<ArduinoUploader>(peer.Port(), image, &cancel, &state);
    peer.Stop();
    return error;
  }
};

TEST(ArduinoUploaderPeer, ThreeHundredBytesGoAsThreePaddedPages) {
  PeerRun run;
  auto image = RandomImage(300);
  EXPECT_EQ(run.Upload(image), "");
  EXPECT_EQ(run.board.syncs, 1);  // 14 10 is in sync at once
  EXPECT_TRUE(run.board.progMode);
  EXPECT_TRUE(run.board.left);
  EXPECT_FALSE(run.board.malformed);
  EXPECT_EQ(run.board.addresses, (std::vector<unsigned>{0, 64, 128}));
  ASSERT_EQ(run.board.pages.size(), 3u);
  std::vector<uint8_t> sent;
  for (auto& page : run.board.pages) {
    EXPECT_EQ(page.size(), 128u);
    sent.insert(sent.end(), page.begin(), page.end());
  }
  auto padded = image;
  padded.resize(384, 0xFF);
  EXPECT_EQ(sent, padded);
  // The progress shows the reset and sync, then the sending.
  EXPECT_EQ(run.board.stateAtSync, TransferWaitingForReset);
  EXPECT_EQ(run.board.stateAtPage, TransferSending);
}

TEST(ArduinoUploaderPeer, HundredBytesGoAsOnePageAndAnEmptyImageAsNone) {
  PeerRun one;
  auto image = RandomImage(100);
  EXPECT_EQ(one.Upload(image), "");
  ASSERT_EQ(one.board.pages.size(), 1u);
  EXPECT_EQ(one.board.addresses, std::vector<unsigned>{0});
  image.resize(128, 0xFF);
  EXPECT_EQ(one.board.pages[0], image);

  PeerRun none;
  EXPECT_EQ(none.Upload({}), "");
  EXPECT_TRUE(none.board.pages.empty());
  EXPECT_TRUE(none.board.progMode);
  EXPECT_TRUE(none.board.left);
}

TEST(ArduinoUploaderPeer, BoardOutOfSyncFailsAfterTenAttempts) {
  PeerRun run;
  run.board.syncReply = {0x15, 0x10};  // "not in sync"
  EXPECT_EQ(run.Upload(RandomImage(10)), NoSyncText);
  EXPECT_EQ(run.board.syncs, 10);
  EXPECT_FALSE(run.board.progMode);
}

TEST(ArduinoUploaderPeer, VersionByteOf0x10EndsTheReplyEarly) {
  PeerRun run;
  run.board.minor = 0x10;
  EXPECT_EQ(run.Upload(RandomImage(10)), VersionText);
  EXPECT_FALSE(run.board.progMode);
}

TEST(ArduinoUploaderPeer, OtherChipIsRefusedBeforeAnythingIsWritten) {
  PeerRun run;
  run.board.signature = {0x1E, 0x95, 0x14};
  EXPECT_EQ(run.Upload(RandomImage(10)), SignatureText);
  EXPECT_TRUE(run.board.pages.empty());
  EXPECT_TRUE(run.board.addresses.empty());
}

TEST(ArduinoUploaderPeer, MissingPageConfirmationStopsTheUpload) {
  PeerRun run;
  run.board.silentPage = 1;
  EXPECT_EQ(run.Upload(RandomImage(500)), ByteText);
  EXPECT_EQ(run.board.pages.size(), 2u);
  EXPECT_FALSE(run.board.left);
}

TEST(ArduinoUploaderPeer, CancelStopsBetweenSyncAttemptsAndBetweenPages) {
  PeerRun sync;
  sync.board.syncReply = {};  // a board that never answers
  sync.board.cancel = &sync.cancel;
  sync.board.cancelAtSync = 2;
  EXPECT_EQ(sync.Upload(RandomImage(10)), NoSyncText);
  EXPECT_EQ(sync.board.syncs, 2);
  EXPECT_EQ(sync.state, TransferWaitingForReset);

  PeerRun pages;
  pages.board.cancel = &pages.cancel;
  pages.board.cancelAtPage = 1;
  EXPECT_EQ(pages.Upload(RandomImage(1000)), ByteText);
  EXPECT_EQ(pages.board.pages.size(), 1u);
  EXPECT_FALSE(pages.board.left);
}

TEST(ArduinoUploaderPeer, PortThatNeverStopsSendingFailsEachSyncAttemptAtOnce) {
  int cancel = 0, state = TransferCompiling, syncs = 0;
  std::string error;
  EXPECT_TRUE(StreamWhile(
      [&](const std::string& port) { error = RunUpload<ArduinoUploader>(port, RandomImage(10), &cancel, &state); },
      [&](uint8_t b) { syncs += b == ArduinoUploader::CommandGetSync; }, &cancel, std::chrono::seconds(3)));
  EXPECT_EQ(error, NoSyncText);
  EXPECT_EQ(syncs, ArduinoUploader::SyncAttempts);
}

TEST(ArduinoUploaderPeer, PortNotFoundAndHidAreNoSerialPorts) {
  int cancel = 0, state = TransferCompiling;
  EXPECT_EQ(RunUpload<ArduinoUploader>("/nonexistent/ttyACM0", RandomImage(10), &cancel, &state), PortOpenText);
  // Even where a device file of that name exists, "HID" names the USB bootloader.
  PtyPeer peer([](uint8_t) { return std::vector<uint8_t>{0x14, 0x10}; });
  TempFolder dir;
  std::filesystem::create_symlink(peer.Port(), dir / "HID");
  NativeSerialSetRoots(dir.path.string(), "");
  EXPECT_EQ(RunUpload<ArduinoUploader>("HID", RandomImage(10), &cancel, &state), PortOpenText);
  NativeSerialSetRoots("", "");
}

}  // namespace
