#include "toolkit/SaveBackup.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "toolkit/FileNames.h"
#include "toolkit/PathWalk.h"
#include "toolkit/RegularFile.h"

namespace {

// Older copies that are still there make way for at most this many.
constexpr int MostCopies = 100;
// "." + "~" + a number + "~".
constexpr size_t CopyMarks = 8;

// The program's own state folder, made where it is missing; -1 without one.
int OpenStateFolder(std::string& folderPath) {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  if (state && state[0] == '/')
    folderPath = state;
  else if (home && home[0] == '/')
    folderPath = std::string(home) + "/.local/state";
  else
    return -1;
  folderPath += "/pellburne";
  for (size_t slash = folderPath.find('/', 1); slash != std::string::npos; slash = folderPath.find('/', slash + 1))
    ::mkdir(folderPath.substr(0, slash).c_str(), 0700);
  ::mkdir(folderPath.c_str(), 0700);
  return ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

SaveBackup::~SaveBackup() {
  if (folder >= 0) ::close(folder);
}

int SaveBackup::Write(const ResolvedPath& file, const std::string& bytes, mode_t mode) {
  const int nextToFile = WriteIn(file.folder, file.folderPath, file.name, bytes, mode & 0666);
  if (nextToFile == 0) {
    folder = ::dup(file.folder);
    return 0;
  }
  std::string statePath;
  int state = OpenStateFolder(statePath);
  if (state < 0) return nextToFile;
  std::string flat;
  for (char c : file.Path()) flat += c == '/' ? "!" : c == '!' ? "!!" : std::string(1, c);
  const int inState = WriteIn(state, statePath, flat, bytes, 0600);
  if (inState != 0) {
    ::close(state);
    return inState;
  }
  folder = state;
  return 0;
}

int SaveBackup::WriteIn(int inFolder, const std::string& folderPath, const std::string& base, const std::string& bytes,
                        mode_t mode) {
  const std::string fitted = NativeFitName(inFolder, base, CopyMarks, true);
  int cause = EEXIST;
  for (int number = 0; number < MostCopies && cause == EEXIST; ++number) {
    const std::string candidate = number == 0 ? fitted + "~" : fitted + ".~" + std::to_string(number) + "~";
    // Never over another file, nor through a link planted under the name.
    int fd = ::openat(inFolder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      cause = errno;
      continue;
    }
    cause = NativeWriteAllAt(fd, bytes.data(), bytes.size(), 0);
    if (cause == 0 && ::fsync(fd) != 0) cause = errno;
    if (cause == 0) cause = ::fstat(fd, &written) == 0 ? 0 : errno;
    ::close(fd);
    if (cause != 0) {
      ::unlinkat(inFolder, candidate.c_str(), 0);
      return cause;
    }
    NativeSyncFolder(inFolder);
    name = candidate;
    path = folderPath + "/" + candidate;
    return 0;
  }
  return cause;
}

void SaveBackup::Remove() {
  if (folder < 0 || name.empty()) return;
  struct stat now;
  if (::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == written.st_dev &&
      now.st_ino == written.st_ino)
    ::unlinkat(folder, name.c_str(), 0);
  name.clear();
  path.clear();
}
