#pragma once
// Real faults for the saving and loading tests, each set up inside a forked
// child so that nothing of it reaches the test process: a small file system
// that fills up (in a mount namespace of the child's own), an unprivileged
// user for whom file modes count, a file-size limit, a memory limit, a
// program killed midway, processes that share one process id, several users
// at once, a file that another program writes meanwhile, with or without
// locks, a file system that keeps no locks. The child runs the test's
// checks; its failures print from there and its exit code tells the parent.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <random>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <string>
#include <sys/inotify.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace realfaults {

constexpr int SkippedCode = 77;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool UnderAddressSanitizer = true;
#else
constexpr bool UnderAddressSanitizer = false;
#endif
#else
constexpr bool UnderAddressSanitizer = false;
#endif

// In a child: runs the checks and ends the child with a code that tells
// how they went. Only its own checks count: the child inherits what the test
// found before the fork, such as an earlier row that failed or skipped.
[[noreturn]] inline void RunChecksAndExit(const std::function<void()>& body) {
  const testing::TestResult& result = *testing::UnitTest::GetInstance()->current_test_info()->result();
  const int before = result.total_part_count();
  int code = 1;
  try {
    body();
    code = 0;
    for (int i = before; i < result.total_part_count() && code != 1; ++i) {
      if (result.GetTestPartResult(i).failed())
        code = 1;
      else if (result.GetTestPartResult(i).skipped())
        code = SkippedCode;
    }
  } catch (...) {
    std::fprintf(stderr, "exception in the child\n");
  }
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(code);
}

// Waits for a child; its exit code, 128 + the signal when one ended it, or
// -1 when it was still there after `seconds` (it is then killed).
inline int WaitFor(pid_t pid, int seconds = 60) {
  int status = 0;
  for (int waited = 0;; ++waited) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return -1;
    if (waited >= seconds * 100) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
      return -1;
    }
    ::usleep(10000);
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// Runs body in a child process. The calling test fails when a check in the
// child failed or the child died, and is skipped when the child skipped. A
// child that hangs is ended after a minute, and the test fails.
inline void InChild(const std::function<void()>& body) {
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0) << "fork failed";
  if (pid == 0) {
    ::alarm(60);
    RunChecksAndExit(body);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  ASSERT_FALSE(WIFSIGNALED(status)) << "the child was ended by signal " << WTERMSIG(status);
  if (WEXITSTATUS(status) == SkippedCode) GTEST_SKIP() << "skipped in the child (reason above)";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a check failed in the child (see above)";
}

inline bool WriteText(const char* path, const std::string& text) {
  int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
  ::close(fd);
  return ok;
}

// In a child: a tmpfs of the given size ("64k") on the folder, made where
// missing, in a mount namespace of the child's own (inside a user namespace
// when not root). False where the system allows neither.
inline bool MountSmallFileSystem(const std::string& folder, const char* size) {
  ::mkdir(folder.c_str(), 0755);
  if (::geteuid() != 0) {
    std::string uid = std::to_string(::geteuid()), gid = std::to_string(::getegid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    WriteText("/proc/self/setgroups", "deny");
    if (!WriteText("/proc/self/uid_map", "0 " + uid + " 1") || !WriteText("/proc/self/gid_map", "0 " + gid + " 1"))
      return false;
  } else if (::unshare(CLONE_NEWNS) != 0) {
    return false;
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
}

// Takes every free byte of the file system the folder lies on; FreeUp
// gives some of them back.
inline void FillUp(const std::string& folder) {
  int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string chunk(4096, 'x');
  while (::write(fd, chunk.data(), chunk.size()) > 0) {}
  ::close(fd);
}

inline void FreeUp(const std::string& folder, off_t bytes) {
  const std::string filler = folder + "/filler";
  struct stat info;
  if (::stat(filler.c_str(), &info) == 0)
    (void)::truncate(filler.c_str(), info.st_size > bytes ? info.st_size - bytes : 0);
}

// In a child: file modes count from now on. Root becomes the user `uid`
// (nobody unless told), with that number as group too, a member of the
// given groups; anyone else is subject to them already.
inline bool DropRoot(std::vector<gid_t> groups = {}, uid_t uid = 65534) {
  if (::geteuid() != 0) return true;
  return ::setgroups(groups.size(), groups.data()) == 0 && ::setresgid(uid, uid, uid) == 0 &&
         ::setresuid(uid, uid, uid) == 0;
}

// A folder of the given owner (as group too) and mode, made with what is
// missing on the way to it; its path.
inline std::filesystem::path Folder(const std::filesystem::path& path, uid_t owner, mode_t mode = 0755) {
  std::filesystem::create_directories(path);
  EXPECT_EQ(::chown(path.c_str(), owner, owner), 0) << path;
  ::chmod(path.c_str(), mode);
  return path;
}

// A link at `at` to `to` that belongs to `owner`; where it leads.
inline std::filesystem::path Link(const std::filesystem::path& to, const std::filesystem::path& at, uid_t owner) {
  std::filesystem::create_symlink(to, at);
  EXPECT_EQ(::lchown(at.c_str(), owner, owner), 0) << at;
  return to;
}

// A pipe in a file's place: whoever opens it waits for the other end.
inline bool MakePipe(const std::string& path) { return ::mkfifo(path.c_str(), 0666) == 0; }

// In a child: no file may grow past `bytes`, as after `ulimit -f`; the signal
// such a write raises keeps its default action, ending the process.
inline void LimitFileSize(rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_DFL);
  struct rlimit limit = {bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Runs body in a child and tells which signal ended the child, 0 when it
// ended on its own: for a program killed in the middle of what it does.
inline int SignalThatEnds(const std::function<void()>& body) {
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(60);
    body();
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// Runs body(0) to body(count - 1) at the same time, each in a child of its
// own; with ownPidNamespace each as the first process of a pid namespace of
// its own, as sandboxes run programs: all of them have process id 1. Fails
// like InChild; skipped where new pid namespaces need a privilege the test
// lacks.
inline void AtOnce(int count, const std::function<void(int)>& body, bool ownPidNamespace = false) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0) << "fork failed";
    if (pid == 0 && !ownPidNamespace) {
      ::alarm(60);
      RunChecksAndExit([&] { body(i); });
    }
    if (pid == 0) {
      if (::unshare(CLONE_NEWPID) != 0) ::_exit(SkippedCode);
      pid_t first = ::fork();
      if (first == 0) RunChecksAndExit([&] { body(i); });
      ::_exit(first < 0 ? 1 : WaitFor(first));
    }
    children.push_back(pid);
  }
  std::vector<int> codes;
  for (pid_t pid : children) codes.push_back(WaitFor(pid, 120));
  for (int code : codes)
    if (code == SkippedCode) GTEST_SKIP() << "no new pid namespace here";
  for (int code : codes) EXPECT_EQ(code, 0) << "a check failed in a child (see above), or it hung or died";
}

// In a child: no more than `bytes` of address space, so that a big load
// runs out of memory as on a small machine. Meaningless under ASan.
inline void LimitMemory(rlim_t bytes) {
  struct rlimit limit = {bytes, bytes};
  ::setrlimit(RLIMIT_AS, &limit);
}

// In a child: no more than `bytes` of address space beyond what it has now.
inline void LimitMemoryGrowth(rlim_t bytes) {
  unsigned long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  LimitMemory(rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + bytes);
}

// A process that writes `bytes` into the file as soon as anyone reads from
// it, as another program that writes the file without a lock would, and
// then ends: appended, or at offset `at`. Its process id, -1 where the file
// cannot be watched.
inline pid_t WriteWhenRead(const std::string& path, const std::string& bytes, off_t at = -1) {
  int watch = ::inotify_init1(IN_CLOEXEC);
  if (watch < 0 || ::inotify_add_watch(watch, path.c_str(), IN_ACCESS) < 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(60);
    char event[4096];
    if (::read(watch, event, sizeof event) > 0) {
      int fd = ::open(path.c_str(), O_WRONLY | (at < 0 ? O_APPEND : 0) | O_CLOEXEC);
      ssize_t written = at < 0 ? ::write(fd, bytes.data(), bytes.size()) : ::pwrite(fd, bytes.data(), bytes.size(), at);
      if (fd >= 0 && written == ssize_t(bytes.size())) ::_exit(0);
    }
    ::_exit(1);
  }
  ::close(watch);
  return pid;
}

// In a child: every lock request (fcntl's record locks, flock) fails with
// ENOLCK from now on, as on a network share that keeps no locks. False
// where the system allows no such filter.
inline bool RefuseLocks() {
#if defined(__x86_64__)
  constexpr unsigned Arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
  constexpr unsigned Arch = AUDIT_ARCH_AARCH64;
#else
  return false;
#endif
  constexpr unsigned Refuse = SECCOMP_RET_ERRNO | ENOLCK;
  struct sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, Arch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_flock, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, Refuse),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fcntl, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      // The command, the low half of the second argument.
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[1])),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, F_OFD_SETLK, 4, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, F_OFD_SETLKW, 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, F_SETLK, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, F_SETLKW, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_RET | BPF_K, Refuse),
  };
  struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

// One of the versions that a writer in these tests puts into a file: all
// `size` bytes are the letter of its number. A file read whole holds one.
inline std::string Version(int number, size_t size) { return std::string(size, char('a' + number % 26)); }
inline bool OneVersion(const std::string& bytes, size_t size) {
  return bytes.size() == size && bytes.find_first_not_of(bytes[0]) == std::string::npos;
}
// What the file held at one moment while a writer went through it from its
// start to its end: one version, or the start of a version over the end of
// the one before.
inline bool OneMoment(const std::string& bytes, size_t size) {
  const size_t newerEnd = bytes.find_first_not_of(bytes[0]);
  if (bytes.size() != size || newerEnd == std::string::npos) return OneVersion(bytes, size);
  const char older = bytes[newerEnd];
  return bytes.find_first_not_of(older, newerEnd) == std::string::npos && bytes[0] == 'a' + (older - 'a' + 1) % 26;
}

// Another program that rewrites the file in place without any lock, for
// `duration`: bursts of versions of `size` bytes, then a rest in which the
// file stays as it is. With write(), each version goes in two halves a few
// milliseconds apart; through a shared mapping, whose stores move no time
// stamp once its pages are dirty, each goes whole, word by word in order
// from the start. Its process id.
inline pid_t RewriteWithoutLock(const std::string& path, size_t size, std::chrono::milliseconds duration,
                                bool mapped = false) {
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::alarm(60);
  int fd = ::open(path.c_str(), (mapped ? O_RDWR : O_WRONLY) | O_CLOEXEC);
  char* map = nullptr;
  if (fd >= 0 && mapped) {
    void* at = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED) ::_exit(1);
    map = static_cast<char*>(at);
  }
  std::mt19937 random(7);
  const size_t half = size / 2;
  const auto end = std::chrono::steady_clock::now() + duration;
  for (int number = 1; fd >= 0 && std::chrono::steady_clock::now() < end; ++number) {
    const std::string bytes = Version(number, size);
    if (map) {
      // Seen in this order by any reader: a pause shows as one moment.
      uint64_t word;
      std::memset(&word, bytes[0], sizeof word);
      for (size_t at = 0; at + sizeof word <= size; at += sizeof word)
        std::atomic_ref<uint64_t>(*reinterpret_cast<uint64_t*>(map + at)).store(word, std::memory_order_release);
    } else {
      if (::pwrite(fd, bytes.data(), half, 0) != ssize_t(half)) ::_exit(1);
      ::usleep(1000 + random() % 3000);
      if (::pwrite(fd, bytes.data() + half, size - half, off_t(half)) != ssize_t(size - half)) ::_exit(1);
    }
    ::usleep(number % 40 == 0 ? 100000 + random() % 50000 : random() % 1500);
  }
  ::_exit(fd >= 0 ? 0 : 1);
}

// Another program that rewrites the file in two halves, once for each byte
// written to `ask`, pausing between them for less than a reader's quiet
// time: it writes the first half, tells so with a byte to read from `told`,
// and writes the second half `pause` after the first, or, when a reader has
// begun reading in the pause, only once that reader has closed the file, so
// that a reader that does not wait for rest takes the half-written bytes
// every time. Then it tells whether the pause was kept short: 'k', or 'l'
// when a busy machine let more than `most` pass. Ends when `ask` is closed.
// Its process id, -1 where the file cannot be watched.
inline pid_t PauseHalfwayWhenAsked(const std::string& path, size_t size, std::chrono::milliseconds pause,
                                   std::chrono::milliseconds most, int& ask, int& told) {
  int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  int asking[2], telling[2];
  if (watch < 0 || ::inotify_add_watch(watch, path.c_str(), IN_ACCESS | IN_CLOSE_NOWRITE) < 0 ||
      ::pipe2(asking, O_CLOEXEC) != 0 || ::pipe2(telling, O_CLOEXEC) != 0)
    return -1;
  pid_t pid = ::fork();
  if (pid != 0) {
    ::close(watch);
    ::close(asking[0]);
    ::close(telling[1]);
    ask = asking[1];
    told = telling[0];
    return pid;
  }
  ::alarm(60);
  ::close(asking[1]);
  ::close(telling[0]);
  const int asked = asking[0];
  told = telling[1];
  using Clock = std::chrono::steady_clock;
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  bool reading = false, closed = false;
  // Takes the events that are there, waiting for them at most `wait`.
  auto look = [&](std::chrono::milliseconds wait) {
    struct pollfd ready = {watch, POLLIN, 0};
    if (::poll(&ready, 1, int(wait.count())) <= 0) return;
    alignas(struct inotify_event) char events[4096];
    for (ssize_t got; (got = ::read(watch, events, sizeof events)) > 0;) {
      for (char* at = events; at < events + got;) {
        const auto* event = reinterpret_cast<const struct inotify_event*>(at);
        reading |= (event->mask & IN_ACCESS) != 0;
        closed |= (event->mask & IN_CLOSE_NOWRITE) != 0;
        at += sizeof(struct inotify_event) + event->len;
      }
    }
  };
  char request;
  for (int number = 1; fd >= 0 && ::read(asked, &request, 1) == 1; ++number) {
    look(std::chrono::milliseconds(0));
    reading = closed = false;
    const std::string bytes = Version(number, size);
    const size_t half = size / 2;
    if (::pwrite(fd, bytes.data(), half, 0) != ssize_t(half) || ::write(told, "h", 1) != 1) ::_exit(1);
    const auto first = Clock::now();
    for (auto left = pause; !reading && left.count() > 0;
         left = std::chrono::ceil<std::chrono::milliseconds>(first + pause - Clock::now()))
      look(left);
    while (reading && !closed) look(std::chrono::milliseconds(1000));
    if (::pwrite(fd, bytes.data() + half, size - half, off_t(half)) != ssize_t(size - half)) ::_exit(1);
    const char kept = reading || Clock::now() - first <= most ? 'k' : 'l';
    if (::write(told, &kept, 1) != 1) ::_exit(1);
  }
  ::_exit(fd >= 0 ? 0 : 1);
}

}  // namespace realfaults
