#include "toolkit/FileLock.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <thread>

#include "toolkit/FileErrors.h"

namespace {

std::atomic<bool> locking{true};

// Answers of a file system that keeps no locks, or of a kernel without
// open-file-description locks.
bool NoLocksHere(int error) { return error == ENOLCK || error == EINVAL || error == EOPNOTSUPP || error == ENOSYS; }

}  // namespace

int NativeLockFile(int fd, bool exclusive, std::chrono::milliseconds wait) {
  using namespace std::chrono;
  if (!locking.load(std::memory_order_relaxed)) return 0;
  struct flock lock {};
  lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;  // from the start, length 0: the whole file, also as it grows
  const auto deadline = steady_clock::now() + wait;
  // The kernel's waiting lock cannot be given a time limit: asked again and
  // again, first often, since most holders are done within milliseconds.
  milliseconds pause{1};
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
    const int error = errno;
    if (error == EINTR) continue;
    if (NoLocksHere(error)) return 0;
    if (error != EAGAIN && error != EACCES) return error;
    const auto now = steady_clock::now();
    if (now >= deadline) return NativeFileLocked;
    std::this_thread::sleep_for(std::min<steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, milliseconds{20});
  }
}

void NativeSetFileLocking(bool on) { locking.store(on, std::memory_order_relaxed); }
