#include "toolkit/RegularFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "toolkit/FileErrors.h"
#include "toolkit/FileLock.h"
#include "toolkit/FileRest.h"
#include "toolkit/PathWalk.h"

namespace {

std::atomic<bool> confirming{true};

}  // namespace

int NativeOpenRegularFile(const std::string& path, int& error) {
  ResolvedPath file;
  if ((error = NativeResolvePath(path, file)) != 0) return -1;
  // Looked at before it is opened: opening a device may already do something.
  struct stat info;
  if (::fstatat(file.folder, file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    error = errno;
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : NativeNotRegularFile;
    return -1;
  }
  // Non-blocking and not through a link, as it may have been swapped meanwhile.
  int fd = ::openat(file.folder, file.name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = NativeNotRegularFile;
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if ((error = NativeLockFile(fd, false)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool NativeReadRegularFile(const std::string& path, std::string& content, size_t most, int& error) {
  int fd = NativeOpenRegularFile(path, error);
  if (fd < 0) return false;
  error = NativeBoundedRead(fd).ReadAll(content, most);
  ::close(fd);
  return error == 0;
}

NativeBoundedRead::NativeBoundedRead(int fd) : fd(fd) {
  if (!confirming.load(std::memory_order_relaxed))
    error = ::fstat(fd, &opened) == 0 ? 0 : errno;
  else
    error = NativeWaitUntilAtRest(fd, opened, NativeLockWait);
}

bool NativeBoundedRead::Unchanged() const {
  struct stat now;
  return ::fstat(fd, &now) == 0 && NativeSameFileState(now, opened);
}

ssize_t NativeBoundedRead::Read(char* into, size_t most) {
  if (error != 0) return -1;
  const off_t size = opened.st_size;
  const bool atSize = at >= size;
  // At the size the file had, one byte more tells whether it has grown.
  const size_t wanted = atSize ? 1 : size_t(std::min<off_t>(off_t(most), size - at));
  if (most == 0) return 0;
  ssize_t got;
  do {
    got = ::pread(fd, into, wanted, at);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    const int cause = errno;
    error = ChangedSinceOpened() ? NativeFileChanged : cause;
    return -1;
  }
  // The end, at the size the file had or before it when it shrank: taken
  // only when nothing about the file changed meanwhile and a second read
  // gives the same bytes.
  if ((atSize && got > 0) || (got == 0 && (!Unchanged() || !ReadAgainAlike()))) {
    error = NativeFileChanged;
    return -1;
  }
  handedOut.Add(into, size_t(got));
  at += got;
  return got;
}

bool NativeBoundedRead::ChangedSinceOpened() const {
  if (!Unchanged()) return true;
  uint64_t again;
  // Bytes that cannot be read a second time are no sign of a change.
  return confirming.load(std::memory_order_relaxed) && DigestAgain(again) && again != handedOut.Value();
}

bool NativeBoundedRead::ReadAgainAlike() const {
  if (!confirming.load(std::memory_order_relaxed)) return true;
  uint64_t again;
  // A write during the second read shows in the file's state.
  return DigestAgain(again) && again == handedOut.Value() && Unchanged();
}

bool NativeBoundedRead::DigestAgain(uint64_t& value) const {
  ByteDigest again;
  char piece[1 << 14];
  for (off_t from = 0; from < at;) {
    ssize_t got = ::pread(fd, piece, size_t(std::min<off_t>(off_t(sizeof piece), at - from)), from);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    again.Add(piece, size_t(got));
    from += got;
  }
  value = again.Value();
  return true;
}

int NativeBoundedRead::ReadAll(std::string& bytes, size_t most) {
  char chunk[1 << 16];
  for (;;) {
    ssize_t got = Read(chunk, sizeof chunk);
    if (got < 0) return error;
    if (got == 0) return 0;
    bytes.append(chunk, size_t(got));
    if (bytes.size() > most) return error = ChangedSinceOpened() ? NativeFileChanged : EFBIG;
  }
}

void NativeSetConfirmedReads(bool on) { confirming.store(on, std::memory_order_relaxed); }

int NativeWriteAllAt(int fd, const char* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t written = ::pwrite(fd, data, size, at);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : EIO;
    data += written;
    size -= size_t(written);
    at += written;
  }
  return 0;
}
