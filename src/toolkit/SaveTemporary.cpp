#include "toolkit/SaveTemporary.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "toolkit/FileNames.h"

namespace {

const char* const TemporaryEnd = ".tmp";
constexpr size_t RandomDigits = 16;
// "." + "~" + the longest process id + "-" + the random part + ".tmp".
constexpr size_t TemporaryMarks = 1 + 1 + 10 + 1 + RandomDigits + 4;
// Attempts at a free name before the folder counts as full of them.
constexpr int Attempts = 100;

uint64_t RandomNumber() {
  uint64_t number;
  if (::getrandom(&number, sizeof number, GRND_NONBLOCK) == ssize_t(sizeof number)) return number;
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  return generator();
}

std::string TemporaryName(const std::string& stem) {
  char marks[48];
  std::snprintf(marks, sizeof marks, "~%ld-%016llx", long(::getpid()), static_cast<unsigned long long>(RandomNumber()));
  return "." + stem + marks + TemporaryEnd;
}

// Exactly the form TemporaryName gives for this stem.
bool IsLeftoverOf(const std::string& entry, const std::string& stem) {
  const std::string start = "." + stem + "~";
  const size_t endLength = std::strlen(TemporaryEnd);
  if (entry.size() <= start.size() + endLength || entry.compare(0, start.size(), start) != 0 ||
      entry.compare(entry.size() - endLength, endLength, TemporaryEnd) != 0)
    return false;
  const std::string marks = entry.substr(start.size(), entry.size() - start.size() - endLength);
  const size_t dash = marks.find('-');
  return dash >= 1 && dash <= 10 && marks.find_first_not_of("0123456789") == dash &&
         marks.size() - dash - 1 == RandomDigits &&
         marks.find_first_not_of("0123456789abcdef", dash + 1) == std::string::npos;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Removes a leftover only when its lock can be taken: a save that still
// runs holds it.
void RemoveIfDead(int folder, const std::string& name) {
  const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  // Locks on network folders need a descriptor open for writing.
  int fd = ::openat(folder, name.c_str(), O_RDWR | flags);
  if (fd < 0 && (errno == EACCES || errno == EPERM)) fd = ::openat(folder, name.c_str(), O_RDONLY | flags);
  if (fd < 0) return;
  struct stat opened, named;
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named))
    ::unlinkat(folder, name.c_str(), 0);
  ::close(fd);
}

void RemoveDeadLeftovers(int folder, const std::string& stem) {
  int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (!entries) {
    ::close(listing);
    return;
  }
  while (dirent* entry = ::readdir(entries))
    if (IsLeftoverOf(entry->d_name, stem)) RemoveIfDead(folder, entry->d_name);
  ::closedir(entries);
}

// Gives an unnamed, already locked file its name; 0, EEXIST for a taken
// name, or another errno when the system cannot name such a file.
int Name(int fd, int folder, const std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno == EEXIST) return EEXIST;
  if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  return errno;
}

}  // namespace

int SaveTemporary::Create(int inFolder, const std::string& name, mode_t mode) {
  folder = inFolder;
  const std::string stem = NativeFitName(folder, name, TemporaryMarks, false);
  RemoveDeadLeftovers(folder, stem);

  // Made unnamed and locked first where the file system can: no other save
  // ever sees the file without its lock.
  int unnamed = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (unnamed >= 0) {
    ::flock(unnamed, LOCK_EX | LOCK_NB);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
      std::string candidate = TemporaryName(stem);
      int result = Name(unnamed, folder, candidate);
      if (result == EEXIST) continue;
      if (result != 0) break;
      fd = unnamed;
      temporaryName = candidate;
      return 0;
    }
    ::close(unnamed);
  }
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    std::string candidate = TemporaryName(stem);
    // A name taken by anyone else, even a link planted there, is never opened.
    int created = ::openat(folder, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (created < 0 && errno == EEXIST) continue;
    if (created < 0) return errno;
    // Where the file system offers no locks, its leftovers stay.
    ::flock(created, LOCK_EX | LOCK_NB);
    fd = created;
    temporaryName = candidate;
    return 0;
  }
  return EEXIST;
}

int SaveTemporary::RenameOver(const std::string& name) {
  if (::renameat(folder, temporaryName.c_str(), folder, name.c_str()) != 0) return errno;
  temporaryName.clear();
  return 0;
}

int SaveTemporary::NameAs(const std::string& name) {
  if (::renameat2(folder, temporaryName.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) {
    temporaryName.clear();
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system that cannot rename without replacing: a second name,
  // which is never made over another file, then the first one goes.
  if (::linkat(folder, temporaryName.c_str(), folder, name.c_str(), 0) != 0) return errno;
  RemoveName();
  return 0;
}

void SaveTemporary::RemoveName() {
  struct stat opened, named;
  if (!temporaryName.empty() && ::fstat(fd, &opened) == 0 &&
      ::fstatat(folder, temporaryName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named))
    ::unlinkat(folder, temporaryName.c_str(), 0);
  temporaryName.clear();
}

void SaveTemporary::Close() {
  if (fd < 0) return;
  RemoveName();
  ::close(fd);
  fd = -1;
}
