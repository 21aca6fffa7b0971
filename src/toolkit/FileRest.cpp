#include "toolkit/FileRest.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <thread>

#include "toolkit/FileErrors.h"

namespace {

using namespace std::chrono;

bool SameStamp(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// The change time: every write moves it, and nobody can set it back.
// Stamps in whole seconds tell a coarse file system.
nanoseconds QuietTimeOf(const struct stat& info) {
  return info.st_ctim.tv_nsec == 0 ? nanoseconds(NativeCoarseQuietTime) : nanoseconds(NativeQuietTime);
}

// How long ago the file was changed by the system's clock; negative for a
// stamp in the future (a network share's clock ahead of ours).
nanoseconds Age(const struct stat& info) {
  timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return seconds(now.tv_sec - info.st_ctim.tv_sec) + nanoseconds(now.tv_nsec - info.st_ctim.tv_nsec);
}

}  // namespace

bool NativeSameFileState(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && SameStamp(a.st_mtim, b.st_mtim) &&
         SameStamp(a.st_ctim, b.st_ctim);
}

int NativeWaitUntilAtRest(int fd, struct stat& seen, milliseconds wait) {
  if (::fstat(fd, &seen) != 0) return errno;
  const auto deadline = steady_clock::now() + wait;
  auto sameSince = steady_clock::now();
  for (;;) {
    const nanoseconds quiet = QuietTimeOf(seen);
    const nanoseconds age = Age(seen);
    if (age >= quiet) return 0;
    const auto now = steady_clock::now();
    const nanoseconds watched = now - sameSince;
    if (watched >= quiet) return 0;
    if (now >= deadline) return NativeFileChanged;
    nanoseconds pause = quiet - watched;
    if (age >= nanoseconds::zero()) pause = std::min(pause, quiet - age);
    // Looked at again now and then: a change starts the quiet time anew.
    pause = std::min({pause, nanoseconds(milliseconds(10)), nanoseconds(deadline - now)});
    std::this_thread::sleep_for(pause);
    struct stat looked;
    if (::fstat(fd, &looked) != 0) return errno;
    if (!NativeSameFileState(looked, seen)) {
      seen = looked;
      sameSince = steady_clock::now();
    }
  }
}
