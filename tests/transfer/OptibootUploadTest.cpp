#include "transfer/ArduinoUploader.h"

#include "OptibootBoard.h"
#include "UploadHarness.h"

#include <gtest/gtest.h>

namespace {

constexpr uint8_t Untouched = 0x55;

// Uploads the image to optiboot on the simulated ATmega328P and reads the
// flash back: the image padded with 0xFF to whole pages, nothing after it.
void UploadAndReadBack(size_t size) {
  OptibootBoard board(Untouched);
  auto image = RandomImage(size, 7);
  int cancel = 0, state = TransferCompiling;
  EXPECT_EQ(RunUpload<ArduinoUploader>(board.Port(), image, &cancel, &state), "");
  board.Stop();
  EXPECT_EQ(board.Resets(), 1);
  EXPECT_TRUE(board.ApplicationStarted());  // leaving programming mode starts the new program
  auto padded = image;
  padded.resize((size + 127) / 128 * 128, 0xFF);
  EXPECT_EQ(board.Flash(0, static_cast<uint32_t>(padded.size())), padded);
  EXPECT_EQ(board.Flash(static_cast<uint32_t>(padded.size()), 256), std::vector<uint8_t>(256, Untouched));
}

TEST(OptibootUpload, EmptyImageWritesNothing) { UploadAndReadBack(0); }
TEST(OptibootUpload, HundredBytes) { UploadAndReadBack(100); }
TEST(OptibootUpload, ThreeHundredBytes) { UploadAndReadBack(300); }
TEST(OptibootUpload, EightKilobytes) { UploadAndReadBack(8192); }

}  // namespace
