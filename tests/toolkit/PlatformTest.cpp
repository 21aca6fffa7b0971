#include "toolkit/Platform.h"
#include "support/Files.h"
#include "support/RealFaults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/sysmacros.h>
#include <sys/wait.h>
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

// Saving: what an earlier save left, links, modes and a folder that takes no
// new file. Full disks, read-only files and size limits are met through the
// main window's save.

bool Save(const std::string& path, const std::string& text) {
  NativeSafeSave save(path);
  return save.Write(text.data(), text.size()) && save.Commit();
}

// Kills a save of the file with -9 in the middle; the id of the killed process.
pid_t KillASave(const std::string& file) {
  pid_t pid = ::fork();
  if (pid == 0) {
    NativeSafeSave save(file);
    save.Write("halb", 4);
    ::raise(SIGKILL);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status) ? pid : -1;
}

// 125 umlauts: the longest names a file system takes.
const std::string LongName = [] {
  std::string name;
  for (int i = 0; i < 125; ++i) name += "ä";
  return name + ".pbn";
}();

TEST(SafeSave, TheNextSaveRemovesWhatAKilledSaveOfTheSameFileLeft) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  const std::string file = (folder / "p.pbn").string();
  std::ofstream(file) << "alt";
  pid_t pid = KillASave(file);
  ASSERT_GT(pid, 0);
  const std::string left = ".p.pbn~" + std::to_string(pid) + ".tmp";
  ASSERT_EQ(Listing(folder), left + "\np.pbn\n");
  EXPECT_EQ(ReadFile(file), "alt");

  // Another file's leftover, and the file of a save still running (pid 1
  // always runs), stay.
  const std::string other = ".q.pbn~" + std::to_string(pid) + ".tmp";
  std::ofstream(folder / other) << "q";
  std::ofstream(folder / ".p.pbn~1.tmp") << "läuft";
  EXPECT_TRUE(Save(file, "neu"));
  EXPECT_EQ(ReadFile(file), "neu");
  EXPECT_EQ(Listing(folder), ".p.pbn~1.tmp\n" + other + "\np.pbn\n");

  // A name as long as names get: its temporary name still fits, and so its
  // leftovers go as well.
  TempFolder longFolder;
  const std::string longFile = (longFolder.path / LongName).string();
  ASSERT_EQ(LongName.size(), 254u);
  ASSERT_TRUE(Save(longFile, "erster Inhalt"));
  ASSERT_GT(KillASave(longFile), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(longFolder.path), {}), 2);
  EXPECT_TRUE(Save(longFile, "neu"));
  EXPECT_EQ(ReadFile(longFile), "neu");
  EXPECT_EQ(longFolder.Listing(), LongName + "\n");
}

TEST(SafeSave, LinksAreSavedThroughToTheirTargetWhoseModeStays) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  fs::create_directory(folder / "ziel");
  // A relative link to a file that is not there yet.
  fs::create_symlink("ziel/neu.pbn", folder / "neu.pbn");
  EXPECT_TRUE(Save((folder / "neu.pbn").string(), "erster Inhalt"));
  EXPECT_TRUE(fs::is_symlink(folder / "neu.pbn"));
  EXPECT_EQ(ReadFile(folder / "ziel" / "neu.pbn"), "erster Inhalt");

  // A chain of two links to a private file.
  std::ofstream(folder / "ziel" / "alt.pbn") << "alt";
  ::chmod((folder / "ziel" / "alt.pbn").c_str(), 0600);
  fs::create_symlink(folder / "ziel" / "alt.pbn", folder / "zwischen");
  fs::create_symlink("zwischen", folder / "kette.pbn");
  EXPECT_TRUE(Save((folder / "kette.pbn").string(), "neu"));
  EXPECT_TRUE(fs::is_symlink(folder / "kette.pbn"));
  EXPECT_TRUE(fs::is_symlink(folder / "zwischen"));
  EXPECT_EQ(ReadFile(folder / "ziel" / "alt.pbn"), "neu");
  struct stat info;
  ASSERT_EQ(::stat((folder / "ziel" / "alt.pbn").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Listing(folder / "ziel"), "alt.pbn\nneu.pbn\n");
}

TEST(SafeSave, AFolderThatTakesNoNewFileGetsAWritableFileWrittenInPlace) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  const std::string file = (folder / "p.pbn").string();
  std::ofstream(file) << "altes Projekt";
  ::chmod(file.c_str(), 0666);
  ::chmod(folder.c_str(), 0555);
  realfaults::InChild([&] {
    ASSERT_TRUE(realfaults::DropRoot());
    EXPECT_TRUE(Save(file, "neu"));
    EXPECT_EQ(ReadFile(file), "neu");
    EXPECT_EQ(Listing(folder), "p.pbn\n");
  });
  ::chmod(folder.c_str(), 0700);
}

// Every way a save could destroy the file it replaces, each made real in a
// child: the save either puts the new bytes in place or leaves the old ones
// byte for byte, and owner, group and mode stay as they were.
TEST(SafeSave, NeverDestroysTheFileItReplaces) {
  std::string old(40000, '\0');
  for (size_t i = 0; i < old.size(); ++i) old[i] = char(i * 7 + i / 251);
  const std::string bigger(100000, 'n'), smaller = "neu";
  const bool root = ::geteuid() == 0;
  constexpr gid_t Staff = 4242;
  constexpr uid_t Owner = 4343;

  struct Case {
    const char* name;
    const char* file;
    const std::string& content;
    int error;  // 0: saved
    // Sets the case up in the child; false: not possible here.
    std::function<bool(const fs::path& folder, const std::string& path)> arrange;
  };
  auto writeOld = [&](const std::string& path, mode_t mode) {
    WriteFile(path, old);
    ::chmod(path.c_str(), mode);
  };
  auto shared = [&](const std::string& path, mode_t mode, mode_t folderMode, std::vector<gid_t> groups) {
    if (!root) return false;
    writeOld(path, mode);
    const fs::path folder = fs::path(path).parent_path();
    return ::chown(path.c_str(), Owner, Staff) == 0 && ::chown(folder.c_str(), 0, Staff) == 0 &&
           ::chmod(folder.c_str(), folderMode) == 0 && realfaults::DropRoot(groups);
  };
  const std::vector<Case> cases = {
      {"in place over the file-size limit", "p.pbn", bigger, EFBIG,
       [&](const fs::path& folder, const std::string& path) {
         writeOld(path, 0666);
         ::chmod(folder.c_str(), 0555);
         realfaults::LimitFileSize(64 * 1024);
         return realfaults::DropRoot();
       }},
      {"in place on a full disk", "klein/p.pbn", bigger, ENOSPC,
       [&](const fs::path& folder, const std::string& path) {
         if (!realfaults::MountSmallFileSystem(folder / "klein", "64k")) return false;
         writeOld(path, 0666);
         realfaults::FillUp(folder / "klein");
         ::chmod((folder / "klein").c_str(), 0555);
         return root && realfaults::DropRoot();
       }},
      {"another's file in a group folder", "p.pbn", smaller, 0,
       [&](const fs::path&, const std::string& path) { return shared(path, 0664, 0775, {Staff}); }},
      {"another's file in a sticky folder", "p.pbn", smaller, 0,
       [&](const fs::path&, const std::string& path) { return shared(path, 0666, 01777, {}); }},
      {"a pipe", "p.pbn", smaller, NativeNotRegularFile,
       [&](const fs::path&, const std::string& path) { return realfaults::MakePipe(path); }},
      {"a device", "p.pbn", smaller, NativeNotRegularFile,
       [&](const fs::path&, const std::string& path) {
         // Root gets a null device of the test's own: a broken save must not
         // take the system's. Others cannot replace /dev/null, only link to it.
         if (root) return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
         return ::symlink("/dev/null", path.c_str()) == 0;
       }},
      {"a file without write permission, for anyone", "p.pbn", smaller, EACCES,
       [&](const fs::path& folder, const std::string& path) {
         writeOld(path, 0444);
         return ::chmod(folder.c_str(), 0777) == 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    ::chmod(temp.path.c_str(), 0755);
    const std::string path = (temp.path / c.file).string();
    realfaults::InChild([&] {
      if (!c.arrange(temp.path, path)) GTEST_SKIP() << "needs root or a private mount";
      struct stat before, after;
      ASSERT_EQ(::stat(path.c_str(), &before), 0);
      const std::string listing = Listing(fs::path(path).parent_path());
      const bool plain = S_ISREG(before.st_mode);
      const std::string was = plain ? ReadFile(path) : "";

      NativeSafeSave save(path);
      bool saved = save.Write(c.content.data(), c.content.size()) && save.Commit();
      EXPECT_EQ(saved, c.error == 0);
      EXPECT_EQ(save.Error(), c.error);

      ASSERT_EQ(::stat(path.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_uid, before.st_uid);
      EXPECT_EQ(after.st_gid, before.st_gid);
      if (plain) {
        EXPECT_TRUE(ReadFile(path) == (saved ? c.content : was)) << "the file holds neither";
      }
      EXPECT_EQ(Listing(fs::path(path).parent_path()), listing);
    });
    ::chmod(temp.path.c_str(), 0755);
  }
}

TEST(SafeSave, EveryFailureIsToldInGerman) {
  // What opening, reading, writing, syncing, truncating, reserving and
  // renaming a file can end with.
  const int errors[] = {EACCES,     EAGAIN,    EBADF,  EBUSY,  EDESTADDRREQ, EDQUOT, EEXIST,  EFAULT,       EFBIG,
                        EINTR,      EINVAL,    EIO,    EISDIR, ELOOP,        EMFILE, EMLINK,  ENAMETOOLONG, ENFILE,
                        ENODEV,     ENOENT,    ENOLCK, ENOMEM, ENOSPC,       ENOSYS, ENOTDIR, ENOTEMPTY,    ENXIO,
                        EOPNOTSUPP, EOVERFLOW, EPERM,  EPIPE,  EROFS,        ESPIPE, ESTALE,  ETXTBSY,      EXDEV};
  const std::string general = NativeErrorText(4095);
  EXPECT_NE(general.find("4095"), std::string::npos) << general;
  for (int error : errors) {
    const std::string text = NativeErrorText(error);
    EXPECT_NE(text, std::strerror(error));
    EXPECT_EQ(text.find("Fehlernummer"), std::string::npos) << std::strerror(error) << ": " << text;
  }
  EXPECT_NE(NativeErrorText(NativeNotRegularFile), NativeErrorText(EISDIR));
}

}  // namespace
