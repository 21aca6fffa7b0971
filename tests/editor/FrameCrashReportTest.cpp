// The crash report: the screenshot as a BMP file, the core dump written by
// gdb, and the whole handler in a child process that really crashes.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "MainWindowHarness.h"
#include "editor/CrashReport.h"
#include "editor/Pellburne.h"

extern char** environ;

namespace {

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<unsigned char>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}
uint16_t Le16(const std::vector<unsigned char>& bytes, size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); }

bool IsCoreFile(const std::string& path) {
  std::vector<unsigned char> bytes = ReadBytes(path);
  // ELF magic, then e_type 4 (core) at offset 16.
  return bytes.size() > 64 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F' &&
         Le16(bytes, 16) == 4;
}

TEST(FrameCrashReport, ScreenshotIsABottomUpBmp) {
  TempFolder folder;
  QImage image(3, 2, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(10, 20, 30));
  image.setPixel(1, 0, qRgb(40, 50, 60));
  image.setPixel(2, 0, qRgb(70, 80, 90));
  image.setPixel(0, 1, qRgb(100, 110, 120));
  image.setPixel(1, 1, qRgb(130, 140, 150));
  image.setPixel(2, 1, qRgb(160, 170, 180));
  const std::string path = folder.File("shot.dmp.bmp");
  ASSERT_TRUE(WriteBmpFile(path, image));
  std::vector<unsigned char> bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 14u + 40u + 24u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(Le32(bytes, 2), 78u);   // file size
  EXPECT_EQ(Le32(bytes, 10), 54u);  // pixel offset
  EXPECT_EQ(Le32(bytes, 14), 40u);  // header size
  EXPECT_EQ(Le32(bytes, 18), 3u);
  EXPECT_EQ(Le32(bytes, 22), 2u);
  EXPECT_EQ(Le16(bytes, 26), 1);
  EXPECT_EQ(Le16(bytes, 28), 32);
  EXPECT_EQ(Le32(bytes, 30), 0u);   // no compression
  EXPECT_EQ(Le32(bytes, 34), 24u);  // image size
  // First row in the file is the bottom row, blue-green-red.
  EXPECT_EQ(bytes[54], 120);
  EXPECT_EQ(bytes[55], 110);
  EXPECT_EQ(bytes[56], 100);
  EXPECT_EQ(bytes[54 + 12 + 8], 90);
  EXPECT_EQ(bytes[54 + 12 + 10], 70);

  EXPECT_FALSE(WriteBmpFile(folder.File("missing/shot.bmp"), image));
}

TEST(FrameCrashReport, CoreDumpOfAnotherProcess) {
  TempFolder folder;
  pid_t child = -1;
  const char* arguments[] = {"sleep", "30", nullptr};
  ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, const_cast<char* const*>(arguments), environ), 0);
  const std::string path = folder.File("sleep dump.dmp");
  EXPECT_TRUE(WriteCoreDump(child, path));
  EXPECT_TRUE(IsCoreFile(path));
  EXPECT_FALSE(WriteCoreDump(child, folder.File("missing/dump.dmp")));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

// The whole report, in a child process that crashes: the question, the file
// dialog, the dump and the screenshot, and exit code 1.
TEST(FrameCrashReport, CrashWritesDumpAndScreenshotAndExitsWithOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child runs this test again from the start: the path must not depend
  // on the process.
  const std::filesystem::path folder = PELLBURNE_BINARY_DIR "/tests/crash-report";
  const std::string path = (folder / "absturz.dmp").string();
  std::filesystem::create_directories(folder);
  EXPECT_EXIT(
      {
        FrameWindow* frame = InitInstance(true);
        frame->grab();
        InstallCrashHandler();
        auto* boxes = new BoxRecorder();
        auto* driver = new ModalDriver({ChooseFile(path)});
        (void)boxes;
        (void)driver;
        std::raise(SIGSEGV);
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_TRUE(IsCoreFile(path));
  std::vector<unsigned char> bmp = ReadBytes(path + ".bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(Le32(bmp, 18), 800u);
  EXPECT_EQ(Le32(bmp, 22), 600u);
  EXPECT_EQ(bmp.size(), 54u + 800u * 600u * 4u);
  // The menu square's crimson at the top-left: the last row of the file.
  size_t topLeft = 54 + size_t(599) * 800 * 4;
  EXPECT_EQ(bmp[topLeft + 2], 0xD4);
  EXPECT_EQ(bmp[topLeft + 1], 0x00);
  std::filesystem::remove_all(folder);
}

TEST(FrameCrashReport, CancelledDialogOrCrashOffTheWindowThreadWritesNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallCrashHandler();
        auto* boxes = new BoxRecorder();
        auto* driver = new ModalDriver({CancelDialog()});
        (void)boxes;
        (void)driver;
        std::terminate();
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        InstallCrashHandler();
        std::thread([] { std::raise(SIGSEGV); }).join();
      },
      ::testing::ExitedWithCode(1), "crashed");
}

}  // namespace
