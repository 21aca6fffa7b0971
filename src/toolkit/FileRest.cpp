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

}  // namespace

nanoseconds NativeAge(const timespec& now, const timespec& stamp) {
  // Kept far inside what nanoseconds hold (292 years): a stamp centuries
  // off, as a disk image or a stick may carry, is merely long past or far
  // ahead.
  constexpr time_t Most = time_t(100) * 366 * 24 * 3600;
  time_t apart;
  if (__builtin_sub_overflow(now.tv_sec, stamp.tv_sec, &apart) || apart > Most || apart < -Most)
    return now.tv_sec > stamp.tv_sec ? seconds(Most) : -seconds(Most);
  return seconds(apart) + nanoseconds(now.tv_nsec - stamp.tv_nsec);
}

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
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    const nanoseconds age = NativeAge(now, seen.st_ctim);
    if (age >= quiet) return 0;
    const auto steadyNow = steady_clock::now();
    const nanoseconds watched = steadyNow - sameSince;
    if (watched >= quiet) return 0;
    if (steadyNow >= deadline) return NativeFileChanged;
    nanoseconds pause = quiet - watched;
    if (age >= nanoseconds::zero()) pause = std::min(pause, quiet - age);
    // Looked at again now and then: a change starts the quiet time anew.
    pause = std::min({pause, nanoseconds(milliseconds(10)), nanoseconds(deadline - steadyNow)});
    std::this_thread::sleep_for(pause);
    struct stat looked;
    if (::fstat(fd, &looked) != 0) return errno;
    if (!NativeSameFileState(looked, seen)) {
      seen = looked;
      sameSince = steady_clock::now();
    }
  }
}
