#include "toolkit/Platform.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

TEST(Tokenize, AppendsNonEmptyPiecesAndKeepsWhatIsThere) {
  std::vector<std::string> pieces{"vorher"};
  String::Tokenize("a  b ", pieces, ' ');
  EXPECT_EQ(pieces, (std::vector<std::string>{"vorher", "a", "b"}));

  String::Tokenize("", pieces, ' ');
  String::Tokenize(",,,", pieces, ',');
  EXPECT_EQ(pieces.size(), 3u);

  std::vector<std::string> other;
  String::Tokenize(",x y,\tz,", other, ',');
  EXPECT_EQ(other, (std::vector<std::string>{"x y", "\tz"}));
}

TEST(ThreadStarter, JoinWaitsForTheFunctionWhichRanOnceWithItsArgument) {
  struct Shared {
    std::atomic<bool> release{false};
    std::atomic<int> calls{0};
    void* seen = nullptr;
  } shared;
  auto work = [](void* arg) {
    auto* s = static_cast<Shared*>(arg);
    // Hold the thread until the creator has gone on, so Join really has to wait.
    while (!s->release) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    s->seen = arg;
    ++s->calls;
  };
  NativeThreadStarter starter(work, &shared);
  EXPECT_EQ(shared.calls, 0);
  shared.release = true;
  starter.Join();
  EXPECT_EQ(shared.calls, 1);
  EXPECT_EQ(shared.seen, &shared);
  starter.Join();  // a second join returns at once
  EXPECT_EQ(shared.calls, 1);
}

// Polls the child for at most ten seconds.
int WaitForExit(NativeProcess& process) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int code;
  while ((code = process.GetExitCode()) == -1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return code;
}

TEST(Process, ExitCodeIsMinusOneWhileTheChildRunsThenItsCode) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  fs::path go = folder / "go";
  NativeProcess child("/bin/sh", {"-c", "while [ ! -e '" + go.string() + "' ]; do sleep 0.01; done; exit 7"});
  EXPECT_EQ(child.GetExitCode(), -1);
  std::ofstream(go).put('x');
  EXPECT_EQ(WaitForExit(child), 7);
  EXPECT_EQ(child.GetExitCode(), 7);
}

TEST(Process, ArgumentsArriveUnsplitAndAMissingProgramNeverExits) {
  NativeProcess child("/bin/sh", {"-c", "[ \"$0\" = 'a b' ] && exit 3; exit 4", "a b"});
  EXPECT_EQ(WaitForExit(child), 3);

  NativeProcess missing("/nonexistent/program");
  EXPECT_EQ(missing.GetExitCode(), -1);
}

TEST(SpecialFolders, ConfigurationFolderComesFromTheEnvironmentWithoutTrailingSlash) {
  std::string out = "unverändert";
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/x/konfig/");
    ASSERT_TRUE(NativeGetAppDataDir(out));
    EXPECT_EQ(out, "/x/konfig");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/anna");
    ASSERT_TRUE(NativeGetAppDataDir(out));
    EXPECT_EQ(out, "/home/anna/.config");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relativ");
    ScopedEnv home("HOME", nullptr);
    out = "unverändert";
    EXPECT_FALSE(NativeGetAppDataDir(out));
    EXPECT_EQ(out, "unverändert");
  }
}

TEST(SpecialFolders, ExecutablePathIsTheRunningTestProgram) {
  std::string path;
  NativeGetExecutablePath(path);
  EXPECT_EQ(fs::path(path).filename(), "test_toolkit");
  EXPECT_TRUE(fs::path(path).is_absolute());
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_STREQ(NativePathSeparator, "/");
}

TEST(TempDirPath, NamesAFreshPathInTheTemporaryFolder) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  {
    ScopedEnv tmp("TMPDIR", folder.c_str());
    std::string path;
    NativeCreateTempDirPath(path);
    EXPECT_TRUE(std::regex_match(path, std::regex(folder.string() + "/test_toolkit-[0-9a-f]{8}"))) << path;
    EXPECT_FALSE(fs::exists(path));
    fs::create_directory(path);
    std::string second;
    NativeCreateTempDirPath(second);
    EXPECT_NE(second, path);
    EXPECT_FALSE(fs::exists(second));
  }
  {
    ScopedEnv tmp("TMPDIR", (folder / "fehlt").c_str());
    std::string path;
    NativeCreateTempDirPath(path);
    EXPECT_EQ(path.rfind("/tmp/test_toolkit-", 0), 0u) << path;
  }
}

TEST(DeleteFullDirectory, RemovesATreeButNothingBehindLinks) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  fs::path outside = folder / "draußen";
  fs::create_directories(outside / "innen");
  std::ofstream(outside / "bleibt.txt") << "x";

  fs::path tree = folder / "baum";
  fs::create_directories(tree / "a" / "b" / "c");
  fs::create_directories(tree / "leer");
  std::ofstream(tree / "datei") << "1";
  std::ofstream(tree / "a" / "b" / "tief.pbn") << "2";
  std::ofstream(tree / ".versteckt") << "3";
  fs::create_directory_symlink(outside, tree / "a" / "zeiger");
  fs::create_symlink(outside / "bleibt.txt", tree / "verweis");

  EXPECT_TRUE(NativeDeleteFullDirectory(tree.string() + "/"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_TRUE(fs::exists(outside / "bleibt.txt"));
  EXPECT_TRUE(fs::exists(outside / "innen"));

  // Not a folder, or a link to one: nothing is deleted.
  EXPECT_FALSE(NativeDeleteFullDirectory((folder / "fehlt").string()));
  EXPECT_FALSE(NativeDeleteFullDirectory((outside / "bleibt.txt").string()));
  fs::create_directory_symlink(outside, folder / "link");
  EXPECT_FALSE(NativeDeleteFullDirectory((folder / "link").string()));
  EXPECT_TRUE(fs::exists(outside / "bleibt.txt"));

  EXPECT_TRUE(NativeDeleteFullDirectory(folder.string()));
  EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
