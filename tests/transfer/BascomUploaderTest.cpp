#include "transfer/BascomUploader.h"

#include "BoardPeers.h"
#include "FakeHid.h"
#include "UploadHarness.h"

#include <gtest/gtest.h>

namespace {

const std::string SecondHelloText =
    "Das Board antwortete nicht auf das zweite 'Hallo'!\nLäuft ein Programm, das '{' schickt?";
const std::string NoNakText = "Board sendete kein 0x15!\nLäuft ein Programm, das '{' sendet?";
const std::string TransferText = "Das Programm konnte nicht übertragen werden.";
const std::string LastAckText = "Konnte letztes Zeichen(0x06) nicht empfangen.";

// One upload over a pseudo-terminal to a scripted board.
struct SerialRun {
  BootloaderPeer board;
  int cancel = 0;
  int state = TransferCompiling;
  std::string error;

  std::string Upload(const std::vector<unsigned char>& image, std::function<void(BootloaderPeer&)> afterByte = {}) {
    board.state = &state;
    PtyPeer peer([&](uint8_t b) {
      auto reply = board.OnByte(b);
      if (afterByte) afterByte(board);
      return reply;
    });
    error = RunUpload<BascomUploader>(peer.Port(), image, &cancel, &state);
    peer.Stop();
    return error;
  }
};

std::vector<unsigned char> Padded(std::vector<unsigned char> image) {
  while (image.size() % 128 != 0) image.push_back(0x1A);
  return image;
}

TEST(BascomUploader, ImageOf200BytesGoesAsTwoBlocksWithPadding) {
  SerialRun run;
  auto image = RandomImage(200);
  EXPECT_EQ(run.Upload(image), "");
  ASSERT_EQ(run.board.blocks.size(), 2u);
  EXPECT_EQ(run.board.image, Padded(image));
  EXPECT_EQ(run.board.blocks[1][1], 2);
  EXPECT_EQ(run.board.blocks[1][2], 253);
  EXPECT_TRUE(run.board.checksumsValid);
  EXPECT_TRUE(run.board.numbersValid);
  EXPECT_TRUE(run.board.eot);
  // The state says "reset" while greeting and "sending" from then on.
  EXPECT_EQ(run.board.stateAtFirstHello, TransferWaitingForReset);
  EXPECT_EQ(run.board.stateAtFirstBlock, TransferSending);
  EXPECT_EQ(run.state, TransferSending);
}

TEST(BascomUploader, ImageOf256BytesNeedsNoPaddingAndEmptyImageSendsOnlyEot) {
  SerialRun full;
  auto image = RandomImage(256);
  EXPECT_EQ(full.Upload(image), "");
  EXPECT_EQ(full.board.blocks.size(), 2u);
  EXPECT_EQ(full.board.image, image);

  SerialRun empty;
  EXPECT_EQ(empty.Upload({}), "");
  EXPECT_TRUE(empty.board.blocks.empty());
  EXPECT_TRUE(empty.board.eot);
}

TEST(BascomUploader, BlockNumbersWrapAfter255) {
  SerialRun run;
  auto image = RandomImage(300 * 128 - 5);
  EXPECT_EQ(run.Upload(image), "");
  ASSERT_EQ(run.board.blocks.size(), 300u);
  EXPECT_EQ(run.board.blocks[254][1], 255);
  EXPECT_EQ(run.board.blocks[255][1], 0);
  EXPECT_EQ(run.board.blocks[255][2], 255);
  EXPECT_EQ(run.board.blocks[256][1], 1);
  EXPECT_TRUE(run.board.numbersValid);
  EXPECT_TRUE(run.board.checksumsValid);
  EXPECT_EQ(run.board.image, Padded(image));
}

TEST(BascomUploader, FourNaksAreRetriedFiveEndTheUpload) {
  SerialRun four;
  four.board.naksForBlock[1] = 4;
  auto image = RandomImage(300);
  EXPECT_EQ(four.Upload(image), "");
  EXPECT_EQ(four.board.blocks.size(), 3u + 4u);
  EXPECT_EQ(four.board.image, Padded(image));
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(four.board.blocks[i], four.board.blocks[1]);

  SerialRun five;
  five.board.naksForBlock[1] = 5;
  EXPECT_EQ(five.Upload(image), TransferText);
  EXPECT_EQ(five.board.blocks.size(), 1u + 5u);
  EXPECT_FALSE(five.board.eot);
}

TEST(BascomUploader, OtherBytesDuringTheFirstGreetingAreDropped) {
  SerialRun run;
  run.board.ignoredHellos = 2;
  run.board.noiseOnHello[1] = {'a', 'b', 0x15};
  run.board.noiseOnHello[3] = {'x', 0x06, 'y'};  // then the '{', among several bytes
  auto image = RandomImage(130);
  EXPECT_EQ(run.Upload(image), "");
  EXPECT_EQ(run.board.hellos, 3);
  EXPECT_EQ(run.board.image, Padded(image));
}

TEST(BascomUploader, WrongOrMissingAnswersFailWithTheirStepsText) {
  SerialRun wrongSecond;
  wrongSecond.board.secondHelloReply = 'x';
  EXPECT_EQ(wrongSecond.Upload(RandomImage(10)), SecondHelloText);

  SerialRun noNak;
  noNak.board.startByte = 'C';
  EXPECT_EQ(noNak.Upload(RandomImage(10)), NoNakText);
  EXPECT_TRUE(noNak.board.blocks.empty());

  SerialRun badReply;
  badReply.board.naksForBlock[0] = 0;
  badReply.board.eotReply = 0x15;
  EXPECT_EQ(badReply.Upload(RandomImage(10)), LastAckText);
  EXPECT_TRUE(badReply.board.eot);
}

TEST(BascomUploader, SilenceAfterTheSecondGreetingRunsOutTheWait) {
  SerialRun run;
  run.board.secondHelloReply.reset();
  EXPECT_EQ(run.Upload(RandomImage(10)), SecondHelloText);
  EXPECT_EQ(run.board.secondHellos, 1);
}

TEST(BascomUploader, CancelDuringTheFirstGreetingStopsBeforeTheNextHello) {
  SerialRun run;
  run.board.answerForever = false;
  run.board.cancelOnHello = &run.cancel;
  run.board.cancelHello = 3;
  EXPECT_EQ(run.Upload(RandomImage(10)), NoAnswerText);
  EXPECT_EQ(run.board.hellos, 3);
  EXPECT_EQ(run.state, TransferWaitingForReset);
}

// Ten '{' in time: the stream holds back neither the next '{' nor the look
// at the flag before it.
TEST(BascomUploader, CancelEndsTheGreetingOfAPortThatNeverStopsSending) {
  int cancel = 0, state = TransferCompiling, hellos = 0;
  std::string error;
  std::chrono::steady_clock::time_point cancelled;
  auto end = StreamWhile(
      [&](const std::string& port) { error = RunUpload<BascomUploader>(port, RandomImage(10), &cancel, &state); },
      [&](uint8_t b) {
        if (b == BascomUploader::Hello && ++hellos == 10) {
          cancelled = std::chrono::steady_clock::now();
          WriteSharedInt(&cancel, 1);
        }
      },
      &cancel, std::chrono::seconds(3));
  ASSERT_TRUE(end);
  EXPECT_EQ(error, NoAnswerText);
  EXPECT_LT(*end - cancelled, std::chrono::seconds(1));
}

TEST(BascomUploader, CancelDuringTheBlocksStopsBeforeTheNextSend) {
  SerialRun run;
  EXPECT_EQ(run.Upload(RandomImage(1000),
                       [&](BootloaderPeer& board) {
                         if (board.blocks.size() == 2) WriteSharedInt(&run.cancel, 1);
                       }),
            TransferText);
  EXPECT_EQ(run.board.blocks.size(), 2u);
  EXPECT_FALSE(run.board.eot);
}

TEST(BascomUploader, PortThatCannotBeOpened) {
  int cancel = 0, state = TransferCompiling;
  EXPECT_EQ(RunUpload<BascomUploader>("/nonexistent/ttyUSB0", RandomImage(10), &cancel, &state), PortOpenText);
  EXPECT_EQ(state, TransferWaitingForReset);
}

TEST(HidBoard, UploadOverTheUsbDevice) {
  FakeHidDevice device;
  BootloaderPeer board;
  int cancel = 0, state = TransferCompiling;
  board.state = &state;
  board.ignoredHellos = 2;
  device.SetBoard([&](uint8_t b) { return board.OnByte(b); });
  auto image = RandomImage(1000);
  EXPECT_EQ(RunUpload<BascomUploader>("HID", image, &cancel, &state), "");
  EXPECT_EQ(device.Opens(), 1);
  EXPECT_EQ(device.Closes(), 1);  // the port is closed (and its worker joined) before the uploader returns
  EXPECT_EQ(board.image, Padded(image));
  EXPECT_TRUE(board.checksumsValid);
  EXPECT_TRUE(board.eot);
  EXPECT_EQ(board.stateAtFirstHello, TransferWaitingForReset);
  EXPECT_EQ(board.stateAtFirstBlock, TransferSending);
  // No output report carried more than seven bytes.
  for (auto& r : device.OutputReports()) EXPECT_LE(r[1], 7);
}

TEST(HidBoard, MissingDeviceAndPortNamesThatOnlyLookLikeHid) {
  FakeHidDevice device;
  device.SetPresent(false);
  int cancel = 0, state = TransferCompiling;
  EXPECT_EQ(RunUpload<BascomUploader>("HID", RandomImage(10), &cancel, &state), PortOpenText);
  device.SetPresent(true);
  EXPECT_EQ(RunUpload<BascomUploader>("hid", RandomImage(10), &cancel, &state), PortOpenText);
  EXPECT_EQ(RunUpload<BascomUploader>("HiD", RandomImage(10), &cancel, &state), PortOpenText);
  EXPECT_EQ(device.Opens(), 0);
}

}  // namespace
