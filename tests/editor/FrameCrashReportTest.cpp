// The crash report: the screenshot as a BMP file, the core dump written by
// gdb, and the whole report for a program that really crashes in a child
// process.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

#include "MainWindowHarness.h"
#include "editor/CrashReport.h"

extern char** environ;

namespace {

bool IsCoreFile(const std::string& path) {
  std::vector<unsigned char> bytes = ReadBytes(path, 64);
  // ELF magic, then e_type 4 (core) at offset 16.
  return bytes.size() == 64 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F' &&
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
  const std::string path = folder / "shot.dmp.bmp";
  ASSERT_TRUE(WriteBmpFile(path, image));
  BmpFile bmp(path);
  ASSERT_EQ(bmp.bytes.size(), 14u + 40u + 24u);
  EXPECT_EQ(bmp.bytes[0], 'B');
  EXPECT_EQ(bmp.bytes[1], 'M');
  EXPECT_EQ(bmp.FileSize(), 78u);
  EXPECT_EQ(bmp.PixelOffset(), 54u);
  EXPECT_EQ(bmp.HeaderSize(), 40u);
  EXPECT_EQ(bmp.Width(), 3u);
  EXPECT_EQ(bmp.Height(), 2u);
  EXPECT_EQ(bmp.Planes(), 1);
  EXPECT_EQ(bmp.BitsPerPixel(), 32);
  EXPECT_EQ(bmp.Compression(), 0u);
  EXPECT_EQ(bmp.ImageSize(), 24u);
  // First row in the file is the bottom row, blue-green-red.
  EXPECT_EQ(bmp.bytes[54], 120);
  EXPECT_EQ(bmp.bytes[55], 110);
  EXPECT_EQ(bmp.bytes[56], 100);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(bmp.Pixel(x, y), image.pixel(x, y)) << x << ", " << y;

  EXPECT_FALSE(WriteBmpFile(folder / "missing/shot.bmp", image));
}

TEST(FrameCrashReport, CoreDumpOfAnotherProcess) {
  TempFolder folder;
  pid_t child = -1;
  const char* arguments[] = {"sleep", "30", nullptr};
  ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, const_cast<char* const*>(arguments), environ), 0);
  // Blanks and line breaks are part of the name, as the user typed it.
  for (const char* name : {"sleep dump.dmp", "zwei\nzeilen.dmp", "blank am ende.dmp "}) {
    const std::string path = folder / name;
    EXPECT_TRUE(WriteCoreDump(child, path)) << name;
    EXPECT_TRUE(IsCoreFile(path)) << name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 3);
  EXPECT_FALSE(WriteCoreDump(child, folder / "missing/dump.dmp"));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  // No process to dump: no file either.
  EXPECT_FALSE(WriteCoreDump(child, folder / "gone.dmp"));
  EXPECT_FALSE(std::filesystem::exists(folder / "gone.dmp"));
}

struct HelperRun {
  bool ended = false;
  int exitCode = -1;
  std::string output;
};

// Runs the crash helper (tests/editor/crashhelper) in a child process with the
// extra environment, and kills it when it has not ended after 30 seconds.
HelperRun RunCrashHelper(const std::string& how, const std::vector<std::string>& extraEnvironment,
                         const std::string& outputPath) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable; ++variable)
    if (std::strncmp(*variable, "CRASH_HELPER_", 13) != 0) variables.push_back(*variable);
  variables.insert(variables.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> environment;
  for (std::string& variable : variables) environment.push_back(variable.data());
  environment.push_back(nullptr);
  std::string program = CRASH_HELPER;
  char* arguments[] = {program.data(), const_cast<char*>(how.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t child = -1;
  int started = posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environment.data());
  posix_spawn_file_actions_destroy(&actions);
  HelperRun run;
  if (started != 0) return run;
  int status = 0;
  for (int waited = 0; waited < 30000 && !run.ended; waited += 10) {
    run.ended = waitpid(child, &status, WNOHANG) == child;
    if (!run.ended) usleep(10000);
  }
  if (!run.ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  if (run.ended && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.output = ReadFile(outputPath);
  return run;
}

size_t Count(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

// A real crash in a child process, wherever it happens: the question box
// once, the save dialog, the dump and the screenshot of the last picture, and
// exit code 1. The crashed process does no more than async-signal-safe work,
// so neither a crash off the window's thread nor one inside malloc with the
// heap broken keeps the report from coming.
TEST(FrameCrashReport, CrashInAChildProcessShowsTheBoxAndEndsWithOne) {
  const std::string box =
      "[Guru Meditation] The application crashed :(\n\nPellburne will save a dump and a screenshot if\n"
      "you enter a filename in the next dialog!\n";
  struct Case {
    const char* how;
    const char* dump;  // the name typed in the save dialog; null: cancelled
  } cases[] = {
      {"window", "absturz.dmp"},   {"thread", "Absturz im Thread.dmp"},
      {"malloc", "nach free.dmp"}, {"terminate", nullptr},
      {"two-threads", nullptr},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.how);
    TempFolder output, folder;
    std::vector<std::string> environment;
    const std::string path = test.dump ? folder / test.dump : "";
    if (test.dump) environment.push_back("CRASH_HELPER_DUMP=" + path);
    HelperRun run = RunCrashHelper(test.how, environment, output / "output.txt");
    ASSERT_TRUE(run.ended) << "the crashed process hangs:\n" << run.output;
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(Count(run.output, box), 1u) << run.output;
    EXPECT_EQ(Count(run.output, "{icon} Guru Meditation\n"), 1u) << run.output;
    EXPECT_EQ(Count(run.output, "{icon} Speichern unter\n"), 1u) << run.output;
    if (!test.dump) {
      EXPECT_TRUE(std::filesystem::is_empty(folder.path)) << "a cancelled dialog writes nothing";
      continue;
    }
    EXPECT_TRUE(IsCoreFile(path));
    BmpFile shot(path + ".bmp");
    ASSERT_GT(shot.bytes.size(), 54u);
    EXPECT_EQ(shot.Width(), 800u);
    EXPECT_EQ(shot.Height(), 600u);
    EXPECT_EQ(shot.bytes.size(), 54u + 800u * 600u * 4u);
    // The menu square's crimson at the top-left: the last row of the file.
    EXPECT_EQ(qRed(shot.Pixel(0, 0)), 0xD4);
    EXPECT_EQ(qGreen(shot.Pixel(0, 0)), 0x00);
  }
}

// A reporter that crashes itself starts no reporter of its own: the crashed
// process still ends with 1.
TEST(FrameCrashReport, CrashOfTheReporterEndsTheCrashedProcessWithOne) {
  TempFolder output;
  HelperRun run = RunCrashHelper("window", {"CRASH_HELPER_REPORTER_CRASHES=1"}, output / "output.txt");
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_EQ(Count(run.output, "[Guru Meditation]"), 0u) << run.output;
}

}  // namespace
