#pragma once
// Real faults for the saving tests, each set up inside a forked child so that
// nothing of it reaches the test process: a small file system that fills up
// (in a mount namespace of the child's own), an unprivileged user for whom
// file modes count, a file-size limit. The child runs the test's checks; its
// failures print from there and its exit code tells the parent.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace realfaults {

constexpr int SkippedCode = 77;

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
    int code = 1;
    try {
      body();
      code = testing::Test::HasFailure() ? 1 : testing::Test::IsSkipped() ? SkippedCode : 0;
    } catch (...) {
      std::fprintf(stderr, "exception in the child\n");
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code);
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

// Takes every free byte of the file system the folder lies on.
inline void FillUp(const std::string& folder) {
  int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string chunk(4096, 'x');
  while (::write(fd, chunk.data(), chunk.size()) > 0) {}
  ::close(fd);
}

// In a child: file modes count from now on. Root becomes nobody, a member of
// the given groups; anyone else is subject to them already.
inline bool DropRoot(std::vector<gid_t> groups = {}) {
  if (::geteuid() != 0) return true;
  return ::setgroups(groups.size(), groups.data()) == 0 && ::setresgid(65534, 65534, 65534) == 0 &&
         ::setresuid(65534, 65534, 65534) == 0;
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

}  // namespace realfaults
