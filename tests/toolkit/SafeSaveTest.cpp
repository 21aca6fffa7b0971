// Saving: what earlier saves left, links, modes, attributes and folders that
// take no new file, and every way a save could destroy or give away a file,
// each made real in a child process. Saves through the main window meet
// full disks, read-only files and size limits once more.
#include "toolkit/FileErrors.h"
#include "toolkit/FileLock.h"
#include "toolkit/FileRest.h"
#include "toolkit/RegularFile.h"
#include "toolkit/SafeSave.h"
#include "support/Attributes.h"
#include "support/Files.h"
#include "support/RealFaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <limits>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The error that syncing a folder fails with in this process, 0 for none:
// a disk that fails (EIO) or a file system that cannot sync folders (EINVAL).
int folderSyncError = 0;

}  // namespace

// Stands in for the C library's fsync in the test binary, so that a folder's
// sync can fail while files still sync.
extern "C" int fsync(int fd) {
  struct stat info;
  if (folderSyncError != 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = folderSyncError;
    return -1;
  }
  return int(::syscall(SYS_fsync, fd));
}

namespace {

// The error a save of the text ends with; 0 when it saved.
int SaveError(const std::string& path, const std::string& text) {
  NativeSafeSave save(path);
  save.Write(text.data(), text.size()) && save.Commit();
  return save.Error();
}

bool Save(const std::string& path, const std::string& text) { return SaveError(path, text) == 0; }

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

// Old bytes that no new content shares by chance.
const std::string OldBytes = [] {
  std::string old(40000, '\0');
  for (size_t i = 0; i < old.size(); ++i) old[i] = char(i * 7 + i / 251);
  return old;
}();

// The path a copy in the state folder belongs to, read back as the README
// says: "!" is "/", "%" and two hex digits the byte they name; the "~" at the
// end marks the copy. Empty for a name of another form.
std::string PathOfCopy(const std::string& name) {
  if (name.find('~') != name.size() - 1) return {};
  std::string path;
  for (size_t i = 0; i + 1 < name.size(); ++i) {
    if (name[i] == '%') {
      path += char(std::stoi(name.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += name[i] == '!' ? '/' : name[i];
    }
  }
  return path;
}

// What lies in the state folder: for each copy the path it belongs to and
// its bytes. The state folder and every copy are private.
std::map<std::string, std::string> Copies(const fs::path& stateFolder) {
  std::map<std::string, std::string> copies;
  if (!fs::exists(stateFolder)) return copies;
  EXPECT_EQ(fs::status(stateFolder).permissions(), fs::perms::owner_all);
  for (const auto& entry : fs::directory_iterator(stateFolder)) {
    // Not yet a copy: the temporary file one is made in.
    if (entry.path().filename().string()[0] == '.') continue;
    EXPECT_EQ(entry.status().permissions(), fs::perms::owner_read | fs::perms::owner_write);
    copies[PathOfCopy(entry.path().filename().string())] = ReadFile(entry.path());
  }
  return copies;
}

// The error a load of the file ends with; 0 when it loaded, with its bytes.
int LoadError(const std::string& path, std::string* bytes = nullptr) {
  std::string read;
  int error = 0;
  NativeReadRegularFile(path, bytes ? *bytes : read, SIZE_MAX, error);
  return error;
}

constexpr uid_t Saver = 65534;  // whom DropRoot makes of root
constexpr uid_t Other = 4343;
constexpr gid_t Staff = 4242;

// Where a save written in place keeps the old bytes while it runs, in a
// child: the program's state folder under a state home of the saver's own
// (the user that root becomes in the child).
std::string UseStateFolder(const fs::path& folder, uid_t saver = Saver) {
  fs::create_directories(folder);
  if (::geteuid() == 0) {
    EXPECT_EQ(::chown(folder.c_str(), saver, saver), 0);
  }
  ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
  return (folder / "pellburne").string();
}

// Makes a case of a file and its folder.
using Arrange = std::function<void(const fs::path& folder, const std::string& file)>;
const Arrange ClosedFolder = [](const fs::path& folder, const std::string&) { ::chmod(folder.c_str(), 0555); };
const Arrange SecondName = [](const fs::path& folder, const std::string& file) {
  fs::create_hard_link(file, folder / "zweit.pbn");
};

// A file of the given bytes that anyone may write, in a folder of its own,
// and a state folder in which any user may keep copies; `arrange` makes the
// case of them.
struct Scene {
  Scene(const std::string& name, const std::string& bytes, const Arrange& arrange) : file(temp / name) {
    ::chmod(temp.path.c_str(), 0755);
    ::chmod(state.path.c_str(), 0777);
    WriteFile(file, bytes);
    ::chmod(file.c_str(), 0666);
    arrange(folder, file);
  }
  // Closed folders open again, so that they can go.
  ~Scene() { ::chmod(folder.c_str(), 0755); }

  TempFolder temp, state;
  std::string file;
  fs::path folder = fs::path(file).parent_path();
};

TEST(SafeSave, TheNextSaveRemovesOnlyWhatDeadSavesOfTheSameFileLeft) {
  TempFolder temp;
  const fs::path& folder = temp.path;
  const std::string file = (folder / "p.pbn").string();
  std::ofstream(file) << "alt";
  pid_t pid = KillASave(file);
  ASSERT_GT(pid, 0);
  const std::string listing = Listing(folder);
  EXPECT_TRUE(
      std::regex_match(listing, std::regex("\\.p\\.pbn~" + std::to_string(pid) + "-[0-9a-f]{16}\\.tmp\np\\.pbn\n")))
      << listing;
  EXPECT_EQ(ReadFile(file), "alt");

  // Another file's leftover, the file of a save still running (it holds its
  // lock), and names saves never make stay.
  const std::string other = ".q.pbn~" + std::to_string(pid) + "-0123456789abcdef.tmp";
  const std::string running = ".p.pbn~1-0123456789abcdef.tmp";
  std::ofstream(folder / other) << "q";
  std::ofstream(folder / running) << "läuft";
  std::ofstream(folder / ".p.pbn~1.tmp") << "fremd";
  int lock = ::open((folder / running).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  EXPECT_TRUE(Save(file, "neu"));
  ::close(lock);
  EXPECT_EQ(ReadFile(file), "neu");
  EXPECT_EQ(Listing(folder), running + "\n.p.pbn~1.tmp\n" + other + "\np.pbn\n");

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

// Sandboxed programs (each in a pid namespace of its own) all run as
// process 1: two of them saving one file at once still never share a
// temporary file, so each save puts a whole file in place.
TEST(SafeSave, SavesOfOneFileByProcessesOfTheSameIdShareNothing) {
  TempFolder temp;
  const std::string file = temp / "p.pbn";
  const std::string contents[] = {std::string(1500000, 'a'), std::string(2500000, 'b')};
  WriteFile(file, "alt");
  realfaults::AtOnce(
      2,
      [&](int i) {
        ASSERT_EQ(::getpid(), 1);
        for (int round = 0; round < 25; ++round) {
          ASSERT_TRUE(Save(file, contents[i])) << round;
          const std::string now = ReadFile(file);
          ASSERT_TRUE(now == contents[0] || now == contents[1]) << "a file of " << now.size() << " bytes";
        }
      },
      true);
  EXPECT_EQ(temp.Listing(), "p.pbn\n");
}

// A class shares one project: several users save and load it at the same
// moment. Every load that succeeds holds one save whole, never a mix of two
// or a file cut short, and every save puts its bytes in place or is told
// that another program is saving.
TEST(SafeSave, UsersSavingAndLoadingOneFileAtOnceNeverMeetHalfASave) {
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    bool needsRoot;
    bool asOthers;  // each process another user, where the test is root
    Arrange arrange;
  };
  const std::vector<Case> cases = {
      {"another user's file in a group folder", true, true,
       [](const fs::path& folder, const std::string& file) {
         ::chown(file.c_str(), Other, Staff);
         ::chmod(file.c_str(), 0664);
         ::chown(folder.c_str(), 0, Staff);
         ::chmod(folder.c_str(), 0775);
       }},
      {"a folder closed to new files", false, true, ClosedFolder},
      {"a file with a second name", false, false, SecondName},
  };
  std::vector<std::string> saves;
  for (char c : {'a', 'b', 'c'}) saves.push_back(std::string(300000 + 70000 * (c - 'a'), c));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && !root) continue;
    Scene scene("klasse/p.pbn", OldBytes, c.arrange);
    const std::string& file = scene.file;
    // Three save and one loads, for a second.
    realfaults::AtOnce(4, [&](int i) {
      UseStateFolder(scene.state.path / std::to_string(i), c.asOthers ? uid_t(5001 + i) : ::geteuid());
      if (c.asOthers) {
        ASSERT_TRUE(realfaults::DropRoot({Staff}, uid_t(5001 + i)));
      }
      int done = 0;
      for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
           std::chrono::steady_clock::now() < end;) {
        std::string loaded;
        const int error = i < 3 ? SaveError(file, saves[size_t(i)]) : LoadError(file, &loaded);
        ASSERT_TRUE(error == 0 || error == NativeFileLocked || (i == 3 && error == NativeFileChanged))
            << NativeErrorText(error);
        if (i == 3 && error == 0) {
          ASSERT_TRUE(loaded == OldBytes || std::count(saves.begin(), saves.end(), loaded))
              << "a load of " << loaded.size() << " bytes that no save wrote";
        }
        done += error == 0;
      }
      EXPECT_GT(done, 0);
    });
    EXPECT_EQ(std::count(saves.begin(), saves.end(), ReadFile(file)), 1);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Copies(scene.state.path / std::to_string(i) / "pellburne").empty());
  }
}

// A load waits while a save writes the file in place, and a save in place
// waits for a load, but neither waits for ever: after a few seconds they
// tell that another program is saving.
TEST(SafeSave, LoadsAndSavesInPlaceWaitForEachOtherForAFewSeconds) {
  struct Case {
    const char* name;
    std::chrono::milliseconds held;  // by another program's save in place, or its load
    int error;                       // of the save
    short lock = F_WRLCK;
    int loadError = error;
  };
  const std::vector<Case> cases = {
      {"a save that ends within the wait", std::chrono::milliseconds(300), 0},
      {"a save that outlasts the wait", NativeLockWait + std::chrono::milliseconds(700), NativeFileLocked},
      {"a load that outlasts the wait", NativeLockWait + std::chrono::milliseconds(700), NativeFileLocked, F_RDLCK, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const std::string file = temp / "p.pbn";
    WriteFile(file, OldBytes);
    fs::create_hard_link(file, temp / "zweit.pbn");  // saved in place
    const int held = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = c.lock;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &lock), 0);
    std::thread release([&] {
      std::this_thread::sleep_for(c.held);
      ::close(held);
    });
    auto load = std::async(std::launch::async, [&] { return LoadError(file); });
    EXPECT_EQ(SaveError(file, "neu"), c.error);
    EXPECT_EQ(load.get(), c.loadError);
    release.join();
    EXPECT_EQ(ReadFile(file), c.error ? OldBytes : "neu");
  }
}

// Writers that take no lock: another program that rewrites the file in
// place, or this program's own saves in place on a file system that keeps
// no locks. Every load that succeeds holds one version whole, never a mix
// of two; the others tell that the file changed while it was read.
TEST(SafeSave, AmongWritersWithoutLocksLoadsTakeOnlyWholeVersions) {
  struct Case {
    const char* name;
    bool tmpfs;     // else a folder on the disk
    bool ownSaves;  // this program's saves, every lock refused; else another program's rewrites
    bool mapped;    // the other program writes through a mapping: only a second read tells
    bool halfway;   // each load starts while the other program pauses halfway: only the quiet time tells
  };
  const std::vector<Case> cases = {
      {"another program rewrites it, in a folder on the disk", false, false, false, false},
      {"another program rewrites it, on tmpfs", true, false, false, false},
      {"another program rewrites it through a mapping, on the disk", false, false, true, false},
      {"this program saves it in place, on a disk that keeps no locks", false, true, false, false},
      {"another program pauses halfway through each rewrite, for less than the quiet time", false, false, false, true},
  };
  constexpr size_t Size = 2 << 20;
  constexpr auto Duration = std::chrono::milliseconds(1500);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene("ordner/p.pbn", realfaults::Version(0, Size), SecondName);
    realfaults::InChild([&] {
      if (c.tmpfs) {
        if (!realfaults::MountSmallFileSystem(scene.folder, "64m")) GTEST_SKIP() << "no private mount here";
        ::chmod(scene.folder.c_str(), 0777);
        WriteFile(scene.file, realfaults::Version(0, Size));
        ::chmod(scene.file.c_str(), 0666);
        fs::create_hard_link(scene.file, scene.folder / "zweit.pbn");  // saved in place
      }
      if (c.ownSaves && !realfaults::RefuseLocks()) GTEST_SKIP() << "no system call filter here";
      int ask = -1, told = -1;
      pid_t writer = c.ownSaves  ? 0
                     : c.halfway ? realfaults::PauseHalfwayWhenAsked(scene.file, Size, NativeQuietTime / 4,
                                                                     NativeQuietTime / 2, ask, told)
                                 : realfaults::RewriteWithoutLock(scene.file, Size, Duration, c.mapped);
      ASSERT_GE(writer, 0);
      realfaults::AtOnce(c.ownSaves  ? 4
                         : c.halfway ? 1
                                     : 3,
                         [&](int i) {
                           // Loaders as other users, where the test may make them.
                           if (::geteuid() == 0 && (!c.ownSaves || i > 0)) {
                             ASSERT_TRUE(realfaults::DropRoot({}, uid_t(5001 + i)));
                           }
                           int loads = 0;
                           for (auto end = std::chrono::steady_clock::now() + Duration;
                                std::chrono::steady_clock::now() < end;) {
                             if (c.ownSaves && i == 0) {
                               // Saves back to back, and now and then a rest for the loads.
                               ASSERT_TRUE(Save(scene.file, realfaults::Version(1 + loads++, Size)));
                               if (loads % 5 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(150));
                               continue;
                             }
                             char half = 0, pause = 0;
                             if (c.halfway) {
                               ASSERT_TRUE(::write(ask, "?", 1) == 1 && ::read(told, &half, 1) == 1);
                             }
                             std::string loaded;
                             const int error = LoadError(scene.file, &loaded);
                             // A pause that a busy machine made as long as the quiet time cannot be told from the end.
                             if (c.halfway && (::read(told, &pause, 1) != 1 || pause != 'k')) continue;
                             ASSERT_TRUE(error == 0 || error == NativeFileChanged) << NativeErrorText(error);
                             if (error == 0) {
                               ASSERT_TRUE((c.mapped ? realfaults::OneMoment : realfaults::OneVersion)(loaded, Size))
                                   << "a load that mixes versions";
                               ++loads;
                             }
                           }
                           EXPECT_GT(loads, 0);
                         });
      if (c.halfway) {
        ::close(ask);
        ::close(told);
      }
      if (writer > 0) {
        EXPECT_EQ(realfaults::WaitFor(writer), 0);
      }
    });
  }
}

// A change time any distance off, as a disk image or a stick may carry (ext4
// keeps stamps up to the year 2446), is long past or ahead, never wrapped
// around: a stamp ahead is watched for the quiet time.
TEST(SafeSave, ChangeTimesAnyDistanceOffHaveAnAgeOfTheirSign) {
  using std::chrono::hours, std::chrono::nanoseconds, std::chrono::seconds;
  constexpr time_t Now = 1796688000;  // December 2026
  const hours year(24 * 365);
  struct Case {
    const char* name;
    timespec stamp;
    nanoseconds least, most;
  };
  const std::vector<Case> cases = {
      {"a moment ago", {Now - 1, 600}, nanoseconds(999'999'900), nanoseconds(999'999'900)},
      {"a second ahead", {Now + 1, 500}, -seconds(1), -seconds(1)},
      {"the year 2400", {13'569'465'600, 0}, nanoseconds::min(), -year},
      {"the year 1600", {-11'676'096'000, 0}, year, nanoseconds::max()},
      {"the last second time_t holds", {std::numeric_limits<time_t>::max(), 999'999'999}, nanoseconds::min(), -year},
      {"the first second time_t holds", {std::numeric_limits<time_t>::min(), 0}, year, nanoseconds::max()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const nanoseconds age = NativeAge(timespec{Now, 500}, c.stamp);
    EXPECT_GE(age, c.least);
    EXPECT_LE(age, c.most);
  }
}

// The state folder takes the copy of the old bytes only when it is the
// saver's own, reached through no other user's link, and what is missing of
// it is made only in folders of the saver's own; a folder that is not the
// saver's stays as it was, with all it holds. A place that could not be
// used is told with its real cause. The file lies on a full disk with a
// second name, so that the copy cannot go next to it.
TEST(SafeSave, TheStateFolderIsUsedOnlyWhenItIsTheSaversOwn) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for other users' folders and private mounts";
  using realfaults::Folder, realfaults::Link;
  auto stateHome = [](const fs::path& path) {
    ::setenv("XDG_STATE_HOME", path.c_str(), 1);
    return path / "pellburne";
  };
  auto home = [](const fs::path& path) {
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", path.c_str(), 1);
    return path;
  };
  struct Case {
    const char* name;
    bool asRoot;  // the saver stays root, with another user's HOME as sudo leaves it
    // Sets HOME or XDG_STATE_HOME under `top`; the folder that must stay as
    // it is, or become private where it takes the copy.
    std::function<fs::path(const fs::path& top)> arrange;
    int cause;        // why the state folder took no copy; 0: it took it
    uid_t owner = 0;  // whose home it is, whose own save then works
  };
  auto userHome = [&](const fs::path& top, const char* made) {
    fs::path at = home(Folder(top / "anna", Other));
    for (fs::path piece : fs::path(made)) Folder(at /= piece, Other);
    return top / "anna";
  };
  const std::vector<Case> cases = {
      {"root with a user's home whose state folder links to root's folder", true,
       [&](const fs::path& top) {
         Link(Folder(top / "root", 0, 0755), Folder(home(top / "anna") / ".local/state", Other) / "pellburne", Other);
         return top / "root";
       },
       NativeForeignLinkOnWay},
      {"another user's link to the saver's folder in a shared state home", false,
       [&](const fs::path& top) {
         Link(Folder(top / "pub", Saver, 0755), stateHome(Folder(top / "geteilt", 0, 01777)), Other);
         return top / "pub";
       },
       NativeForeignLinkOnWay},
      {"another user's state folder, open to all", false,
       [&](const fs::path& top) { return Folder(stateHome(top / "st"), Other, 0777); }, NativeForeignFolder},
      {"the saver's own link to its own folder", false,
       [&](const fs::path& top) {
         return Link(Folder(top / "meins", Saver, 0755), stateHome(Folder(top / "st", Saver)), Saver);
       },
       0},
      {"root with a user's home without .local", true, [&](const fs::path& top) { return userHome(top, ""); },
       NativeForeignFolder, Other},
      {"root with a user's home whose .local holds no state folder", true,
       [&](const fs::path& top) { return userHome(top, ".local"); }, NativeForeignFolder, Other},
      {"root with a user's home whose state folder holds no pellburne", true,
       [&](const fs::path& top) { return userHome(top, ".local/state"); }, NativeForeignFolder, Other},
      {"no HOME, nor a state home", false,
       [&](const fs::path& top) {
         ::unsetenv("XDG_STATE_HOME");
         ::unsetenv("HOME");
         return top;
       },
       NativeNoHome},
      {"a state home two levels below a folder the saver may not write", false,
       [&](const fs::path& top) {
         stateHome(Folder(top / "system", 0, 0755) / "zwei/stufen");
         return top / "system";
       },
       EACCES},
      {"root's link to the saver's folder", false,
       [&](const fs::path& top) {
         return Link(Folder(top / "meins", Saver, 0755), stateHome(Folder(top / "st", 0)), 0);
       },
       0},
      {"a home in which the saver may make nothing", false,
       [&](const fs::path& top) { return home(Folder(top / "heim", Saver, 0555)); }, EACCES},
      {"a file where the home's .local/state belongs", false,
       [&](const fs::path& top) {
         WriteFile(home(Folder(top / "heim", Saver)) / ".local/state", "");
         return top / "heim/.local";
       },
       NativeNotAFolder},
      {"a state home in a read-only file system", false,
       [&](const fs::path& top) {
         realfaults::MountSmallFileSystem(top / "nurlesen", "64k");
         ::mount(nullptr, (top / "nurlesen").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
         stateHome(top / "nurlesen/zustand");
         return top / "nurlesen";
       },
       EROFS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder top;
    ::chmod(top.path.c_str(), 0755);
    realfaults::InChild([&] {
      const fs::path disk = top.path / "datei";
      if (!realfaults::MountSmallFileSystem(disk, "1m")) GTEST_SKIP() << "no private mount here";
      const std::string file = (disk / "p.pbn").string();
      WriteFile(file, OldBytes);
      ::chmod(file.c_str(), 0666);
      fs::create_hard_link(file, disk / "zweit.pbn");
      realfaults::FillUp(disk);
      const fs::path kept = c.arrange(top.path);
      const char* state = std::getenv("XDG_STATE_HOME");
      const char* homePath = std::getenv("HOME");
      const std::string statePath = state      ? state + std::string("/pellburne")
                                    : homePath ? homePath + std::string("/.local/state/pellburne")
                                               : "~/.local/state/pellburne";
      struct stat before, after;
      ASSERT_EQ(::stat(kept.c_str(), &before), 0);
      const std::string tree = Tree(kept);
      if (!c.asRoot) {
        ASSERT_TRUE(realfaults::DropRoot());
      }
      NativeSafeSave save(file);
      const bool saved = save.Write("neu", 3) && save.Commit();
      EXPECT_EQ(saved, c.cause == 0) << save.ErrorText();
      EXPECT_EQ(ReadFile(file), saved ? "neu" : OldBytes);
      ASSERT_EQ(::stat(kept.c_str(), &after), 0);
      EXPECT_EQ(Tree(kept), tree);
      EXPECT_EQ(after.st_mode & 07777, saved ? 0700u : before.st_mode & 07777);
      EXPECT_EQ(after.st_uid, before.st_uid);
      if (!saved) {
        EXPECT_EQ(save.Error(), NativeNoCopy);
        EXPECT_NE(save.ErrorText().find(statePath + ": " + NativeErrorText(c.cause)), std::string::npos)
            << save.ErrorText();
      }
      if (c.owner != 0) {
        // Nothing of root's in the way: the user's own state folder is made.
        ASSERT_TRUE(realfaults::DropRoot({}, c.owner));
        NativeSafeSave own(file);
        EXPECT_TRUE(own.Write("eigen", 5) && own.Commit()) << own.ErrorText();
        EXPECT_EQ(ReadFile(file), "eigen");
      }
    });
  }
}

// Killed at any moment, a save in place leaves the old bytes whole
// somewhere: in the file, or in a copy that holds exactly them under a
// copy's name. What it left half made, the next save removes.
TEST(SafeSave, KilledAtAnyMomentASaveInPlaceLeavesTheOldBytesWhole) {
  const std::vector<std::pair<const char*, Arrange>> cases = {
      {"a folder closed to new files: the copy goes to the state folder", ClosedFolder},
      {"a file with a second name: the copy goes next to it",
       [](const fs::path& folder, const std::string& file) {
         SecondName(folder, file);
         ::chmod(folder.c_str(), 0777);
       }},
  };
  std::string old(4 << 20, '\0');
  for (size_t i = 0; i < old.size(); ++i) old[i] = OldBytes[i % OldBytes.size()];
  const std::string bigger(5 << 20, 'n');
  for (const auto& [name, arrange] : cases) {
    SCOPED_TRACE(name);
    Scene scene("ordner/p.pbn", old, arrange);
    const std::string& file = scene.file;
    const std::string listing = Listing(scene.folder);
    realfaults::InChild([&] {
      const fs::path copies = UseStateFolder(scene.state.path);
      ASSERT_TRUE(realfaults::DropRoot());
      // Every copy, wherever it lies; each one is removed once looked at.
      auto takeCopies = [&] {
        std::map<std::string, std::string> found;
        for (const fs::path& place : {scene.folder, copies})
          for (const auto& entry : fs::directory_iterator(place, fs::directory_options::skip_permission_denied))
            if (const std::string n = entry.path().filename().string(); n[0] != '.' && n.back() == '~')
              found[entry.path().string()] = ReadFile(entry.path());
        for (const auto& [path, bytes] : found) fs::remove(path);
        return found;
      };
      fs::create_directories(copies);
      std::this_thread::sleep_for(NativeQuietTime);
      auto start = std::chrono::steady_clock::now();
      ASSERT_TRUE(Save(file, bigger));
      const auto whole = std::chrono::steady_clock::now() - start;
      std::mt19937 random(1);
      for (int kill = 0; kill < 30; ++kill) {
        WriteFile(file, old);
        // At rest, so that the save copies at once and the kills land in its work.
        std::this_thread::sleep_for(NativeQuietTime);
        pid_t pid = ::fork();
        if (pid == 0) ::_exit(Save(file, bigger) ? 0 : 1);
        std::this_thread::sleep_for(whole * std::uniform_real_distribution<>(0, 1.2)(random));
        ::kill(pid, SIGKILL);
        ASSERT_GE(realfaults::WaitFor(pid), 0);
        const std::map<std::string, std::string> found = takeCopies();
        for (const auto& [path, bytes] : found) EXPECT_TRUE(bytes == old) << path << ": " << bytes.size() << " bytes";
        const std::string now = ReadFile(file);
        EXPECT_TRUE(now == old || now == bigger || !found.empty()) << kill;
      }
      // The next save removes what the killed ones left half made.
      ASSERT_TRUE(Save(file, bigger));
      EXPECT_EQ(Listing(scene.folder), listing);
      EXPECT_EQ(Listing(copies), "");
    });
  }
}

// A save in place copies the old bytes piece by piece: a file bigger than
// all the memory the program may use is saved all the same.
TEST(SafeSave, ASaveInPlaceNeedsNoMemoryForTheOldBytes) {
  if (realfaults::UnderAddressSanitizer) GTEST_SKIP() << "no memory limit under ASan";
  TempFolder temp;
  realfaults::InChild([&] {
    const fs::path folder = temp.path / "gross";
    if (!realfaults::MountSmallFileSystem(folder, "1g")) GTEST_SKIP() << "no private mount here";
    const std::string file = (folder / "p.pbn").string();
    WriteFile(file, "alt");
    ASSERT_EQ(::truncate(file.c_str(), 320 << 20), 0);
    fs::create_hard_link(file, folder / "zweit.pbn");
    realfaults::LimitMemory(256 << 20);
    EXPECT_EQ(SaveError(file, "neu"), 0);
    EXPECT_EQ(ReadFile(folder / "zweit.pbn"), "neu");
    EXPECT_EQ(Listing(folder), "p.pbn\nzweit.pbn\n");
  });
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

// In a folder that is sticky and writable for everyone (a class's exchange
// folder, /tmp), another user's link could send a save onto the saver's own
// files: such a link is neither saved through nor read through, as the
// kernel's protection of such folders has it. Nor is a chain of more links
// than the kernel follows.
TEST(SafeSave, LinksInSharedFoldersAreFollowedOnlyAsTheKernelFollowsThem) {
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    const char* path;  // what is saved and read
    int error;         // 0: saved through to privat/geheim.pbn
    bool needsRoot;    // to give the link another owner
    std::function<void(const fs::path& folder)> arrange;
  };
  auto chain = [](int links, const fs::path& folder) {
    auto name = [](int i) {
      char text[16];
      std::snprintf(text, sizeof text, "l%d", i);
      return std::string(text);
    };
    fs::create_directory(folder / "kette");
    for (int i = 0; i < links; ++i)
      fs::create_symlink(i + 1 < links ? name(i + 1) : "../privat/geheim.pbn", folder / "kette" / name(i));
  };
  const std::vector<Case> cases = {
      {"another user's link to the saver's file", "geteilt/p.pbn", NativeForeignLink, true,
       [&](const fs::path& f) { realfaults::Link(f / "privat/geheim.pbn", f / "geteilt/p.pbn", Other); }},
      {"another user's link to where the saver would make a file", "geteilt/p.pbn", NativeForeignLink, true,
       [&](const fs::path& f) { realfaults::Link(f / "privat/neu.pbn", f / "geteilt/p.pbn", Other); }},
      {"another user's link on the way to a file", "geteilt/weg/geheim.pbn", NativeForeignLink, true,
       [&](const fs::path& f) { realfaults::Link(f / "privat", f / "geteilt/weg", Other); }},
      {"the saver's own link", "geteilt/p.pbn", 0, true,
       [&](const fs::path& f) { realfaults::Link(f / "privat/geheim.pbn", f / "geteilt/p.pbn", Saver); }},
      {"the link of the folder's owner", "geteilt/p.pbn", 0, true,
       [&](const fs::path& f) { realfaults::Link(f / "privat/geheim.pbn", f / "geteilt/p.pbn", 0); }},
      {"a chain of 41 links", "kette/l0", ELOOP, false, [&](const fs::path& f) { chain(41, f); }},
      {"a chain of 40 links", "kette/l0", 0, false, [&](const fs::path& f) { chain(40, f); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && !root) continue;
    TempFolder temp;
    ::chmod(temp.path.c_str(), 0755);
    fs::create_directory(temp.path / "geteilt");
    ::chmod((temp.path / "geteilt").c_str(), 01777);
    fs::create_directory(temp.path / "privat");
    WriteFile(temp.path / "privat/geheim.pbn", "privat");
    if (root) {
      ::chown((temp.path / "privat").c_str(), Saver, Saver);
      ::chown((temp.path / "privat/geheim.pbn").c_str(), Saver, Saver);
    }
    c.arrange(temp.path);
    const std::string path = temp / c.path;
    realfaults::InChild([&] {
      ASSERT_TRUE(realfaults::DropRoot());
      int error = 0;
      int fd = NativeOpenRegularFile(path, error);
      if (fd >= 0) ::close(fd);
      EXPECT_EQ(fd >= 0 ? 0 : error, c.error) << "reading";
      EXPECT_EQ(SaveError(path, "neu"), c.error) << "saving";
      EXPECT_EQ(ReadFile(temp.path / "privat/geheim.pbn"), c.error ? "privat" : "neu");
      EXPECT_EQ(Listing(temp.path / "privat"), "geheim.pbn\n");
    });
  }
}

// Where a new file would not do, the file is written in place: a folder
// that takes no new file, and a file with a second name, which must see the
// save too. Nothing is left behind.
TEST(SafeSave, WrittenInPlaceWhereANewFileWouldNotDo) {
  for (const auto& [name, arrange] : {std::pair{"a folder that takes no new file", ClosedFolder},
                                      std::pair{"a second name in the saver's own folder", SecondName}}) {
    SCOPED_TRACE(name);
    Scene scene("a/p.pbn", "altes Projekt", arrange);
    // The saver's own file and folder: only the case keeps the save from a new file.
    (void)::chown(scene.folder.c_str(), Saver, Saver);
    (void)::chown(scene.file.c_str(), Saver, Saver);
    struct stat before, after;
    ::stat(scene.file.c_str(), &before);
    const std::string listing = Listing(scene.folder);
    realfaults::InChild([&] {
      const std::string copies = UseStateFolder(scene.state.path);
      ASSERT_TRUE(realfaults::DropRoot());
      EXPECT_TRUE(Save(scene.file, "neu"));
      for (const auto& entry : fs::directory_iterator(scene.folder)) {
        ASSERT_EQ(::stat(entry.path().c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << entry.path();
        EXPECT_EQ(ReadFile(entry.path()), "neu") << entry.path();
      }
      EXPECT_EQ(Listing(scene.folder), listing);
      EXPECT_TRUE(Copies(copies).empty()) << "the copy of the old bytes goes once the new ones are safe";
    });
  }
}

// Every way a save could destroy the file it replaces, each made real in a
// child: the save either puts the new bytes in place or leaves the old ones
// byte for byte, and owner, group and mode stay as they were. A copy of the
// old bytes stays only where they could not go back.
TEST(SafeSave, NeverDestroysTheFileItReplaces) {
  const std::string& old = OldBytes;
  const std::string bigger(100000, 'n'), smaller = "neu", sparseNew(540 * 1024, 'n');
  const bool root = ::geteuid() == 0;

  struct Case {
    const char* name;
    const char* file;
    const std::string& content;
    int error;  // 0: saved
    // Sets the case up in the child; false: not possible here.
    std::function<bool(const fs::path& folder, const std::string& path)> arrange;
    bool copyKept = false;
  };
  auto writeOld = [&](const std::string& path, mode_t mode) {
    WriteFile(path, old);
    ::chmod(path.c_str(), mode);
  };
  auto shared = [&](const std::string& path, mode_t mode, mode_t folderMode, std::vector<gid_t> groups) {
    if (!root) return false;
    writeOld(path, mode);
    const fs::path folder = fs::path(path).parent_path();
    return ::chown(path.c_str(), Other, Staff) == 0 && ::chown(folder.c_str(), 0, Staff) == 0 &&
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
      {"in place, where the old bytes cannot all go back: a sparse file on a full disk", "klein/p.pbn", sparseNew,
       ENOSPC,
       [&](const fs::path& folder, const std::string& path) {
         if (!realfaults::MountSmallFileSystem(folder / "klein", "1m")) return false;
         // Holes take no room until they are written, old bytes or new.
         WriteFile(path, old.substr(0, 4096));
         ::truncate(path.c_str(), 512 * 1024);
         ::chmod(path.c_str(), 0666);
         realfaults::FillUp(folder / "klein");
         realfaults::FreeUp(folder / "klein", 64 * 1024);
         ::chmod((folder / "klein").c_str(), 0555);
         return root && realfaults::DropRoot();
       },
       true},
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
      {"in place, where the folder of the copy fails to sync", "p.pbn", smaller, EIO,
       [&](const fs::path& folder, const std::string& path) {
         writeOld(path, 0666);
         fs::create_hard_link(path, folder / "zweit.pbn");
         folderSyncError = EIO;
         return true;
       }},
      {"in place, on a file system that cannot sync folders", "p.pbn", smaller, 0,
       [&](const fs::path& folder, const std::string& path) {
         writeOld(path, 0666);
         fs::create_hard_link(path, folder / "zweit.pbn");
         folderSyncError = EINVAL;
         return true;
       }},
      {"in place, where no folder takes the copy of the old bytes", "p.pbn", smaller, NativeNoCopy,
       [&](const fs::path& folder, const std::string& path) {
         writeOld(path, 0666);
         // A home without a state folder, nor a way to make one.
         WriteFile(folder / "heim", "");
         ::unsetenv("XDG_STATE_HOME");
         ::setenv("HOME", (folder / "heim").c_str(), 1);
         ::chmod(folder.c_str(), 0555);
         return realfaults::DropRoot();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    ::chmod(temp.path.c_str(), 0755);
    const std::string path = (temp.path / c.file).string();
    realfaults::InChild([&] {
      const std::string copies = UseStateFolder(temp.path / "zustand");
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
      // Refused for want of a copy: the text names the places it tried.
      if (c.error == NativeNoCopy) {
        for (const fs::path& place : {fs::canonical(temp.path), temp.path / "heim/.local/state/pellburne"})
          EXPECT_NE(save.ErrorText().find(place.string() + ": "), std::string::npos) << save.ErrorText();
      }

      ASSERT_EQ(::stat(path.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_uid, before.st_uid);
      EXPECT_EQ(after.st_gid, before.st_gid);
      if (plain) {
        EXPECT_TRUE(ReadFile(path) == (saved ? c.content : was)) << "the file holds neither";
      }
      EXPECT_EQ(Listing(fs::path(path).parent_path()), listing);
      std::map<std::string, std::string> kept;
      if (c.copyKept) kept[(fs::canonical(fs::path(path).parent_path()) / "p.pbn").string()] = was;
      EXPECT_TRUE(Copies(copies) == kept) << Copies(copies).size() << " copies";
    });
    ::chmod(temp.path.c_str(), 0755);
  }
}

// A save written in place and killed before the new bytes were safe leaves
// the copy of the old bytes where the user finds it: next to the file, or,
// where the folder takes no new file, in the program's state folder under a
// name that reads back to that file's path alone. However open the file
// was, the copy is the saver's and nobody else's.
TEST(SafeSave, AKilledSaveInPlaceLeavesAPrivateCopyOfTheOldBytes) {
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    const char* file;
    bool needsRoot;
    Arrange arrange;
    bool nextToFile;
  };
  const std::vector<Case> cases = {
      {"a folder closed to new files", "ordner/p.pbn", false, ClosedFolder, false},
      {"another's file in a sticky folder", "ordner/p.pbn", true,
       [](const fs::path& folder, const std::string& file) {
         ::chown(file.c_str(), Other, Other);
         ::chmod(folder.c_str(), 01777);
       },
       true},
      {"another's file for a group, in a closed folder whose name holds !, % and ~", "c1!%~/p.pbn", true,
       [](const fs::path& folder, const std::string& file) {
         ::chown(file.c_str(), Other, Staff);
         ::chmod(file.c_str(), 0660);
         ::chmod(folder.c_str(), 0555);
       },
       false},
      {"a file whose name starts with !, in a closed folder", "c1/!p.pbn", false, ClosedFolder, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && !root) continue;
    Scene scene(c.file, OldBytes, c.arrange);
    const std::string& file = scene.file;
    realfaults::InChild([&] {
      const std::string copies = UseStateFolder(scene.state.path);
      ASSERT_TRUE(realfaults::DropRoot({Staff}));
      const int signal = realfaults::SignalThatEnds([&] {
        NativeSafeSave save(file);
        const std::string bigger(100000, 'n');
        save.Write(bigger.data(), bigger.size());
        // Killed when the file first grows: the copy is made by then.
        realfaults::LimitFileSize(OldBytes.size() + 1000);
        save.Commit();
      });
      ASSERT_EQ(signal, SIGXFSZ);
      const std::map<std::string, std::string> kept = {{fs::canonical(file).string(), OldBytes}};
      if (!c.nextToFile) {
        EXPECT_TRUE(Copies(copies) == kept);
        return;
      }
      struct stat copy;
      ASSERT_EQ(::stat((file + "~").c_str(), &copy), 0);
      EXPECT_EQ(copy.st_mode & 07777, 0600u);
      EXPECT_EQ(copy.st_uid, ::geteuid());
      EXPECT_EQ(ReadFile(file + "~"), OldBytes);
    });
  }
}

// Who may read and write a file is more than its mode: its ACL and other
// extended attributes stay what they were, whether the save goes through a
// new file or, where it cannot give the new file all of them, in place.
TEST(SafeSave, WhoMayReadAndWriteStaysAsItWas) {
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    bool needsRoot;
    // Sets the case up on the file and its folder; false: not possible here.
    std::function<bool(const fs::path& folder, const std::string& file)> arrange;
  };
  const std::string aclOfOneMoreWriter =
      acl::Value({{acl::UserObj, 6}, {acl::User, 6, 41001}, {acl::GroupObj, 4}, {acl::Mask, 6}, {acl::Other, 0}});
  const std::vector<Case> cases = {
      {"an ACL that lets one more user write", false,
       [&](const fs::path&, const std::string& file) {
         return SetAttribute(file, "system.posix_acl_access", aclOfOneMoreWriter);
       }},
      {"a user attribute", false,
       [&](const fs::path&, const std::string& file) { return SetAttribute(file, "user.pellburne", "Wert"); }},
      {"a folder ACL for new files that the file never had", false,
       [&](const fs::path& folder, const std::string&) {
         return SetAttribute(folder.string(), "system.posix_acl_default", aclOfOneMoreWriter);
       }},
      {"an attribute the saver may not set", true,
       [&](const fs::path& folder, const std::string& file) {
         ::chown(file.c_str(), Saver, Saver);
         ::chmod(folder.c_str(), 0777);
         return SetAttribute(file, "security.pellburne", "geschützt") && realfaults::DropRoot();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && !root) continue;
    TempFolder temp;
    ::chmod(temp.path.c_str(), 0755);
    const std::string file = temp / "p.pbn";
    WriteFile(file, "alt");
    ::chmod(file.c_str(), 0640);
    realfaults::InChild([&] {
      if (!c.arrange(temp.path, file)) GTEST_SKIP() << "the file system keeps no such attributes";
      struct stat before, after;
      ASSERT_EQ(::stat(file.c_str(), &before), 0);
      const auto attributes = Attributes(file);
      EXPECT_TRUE(Save(file, "neu"));
      EXPECT_EQ(ReadFile(file), "neu");
      ASSERT_EQ(::stat(file.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_TRUE(Attributes(file) == attributes) << Attributes(file).size() << " attributes now";
      EXPECT_EQ(Listing(temp.path), "p.pbn\n");
    });
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
  // The program's own causes: each its own sentence.
  std::set<std::string> own = {NativeErrorText(EISDIR), NativeErrorText(ENOTDIR), general};
  for (int cause : {NativeNotRegularFile, NativeForeignLink, NativeFileChanged, NativeFileLocked, NativeNoCopy,
                    NativeForeignFolder, NativeForeignLinkOnWay, NativeNotAFolder, NativeNoHome})
    own.insert(NativeErrorText(cause));
  EXPECT_EQ(own.size(), 12u);
}

}  // namespace
