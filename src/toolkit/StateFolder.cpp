#include "toolkit/StateFolder.h"

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "toolkit/FileErrors.h"
#include "toolkit/PathWalk.h"

namespace {

// Made with this mode where missing.
constexpr mode_t Private = 0700;
// A name that vanishes again each time it is made is given up on.
constexpr int MostMakings = 8;

int Cause(int error) { return error == ENOTDIR ? NativeNotAFolder : error; }

// Opens the folder at the absolute path, through whatever links it has,
// making its missing folders; 0 or the cause, the making's where that failed.
int OpenBase(const std::string& path, int& folder) {
  folder = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) return 0;
  if (errno != ENOENT) return Cause(errno);
  int made = 0;
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    if (::mkdir(path.substr(0, slash).c_str(), Private) != 0 && errno != EEXIST) made = errno;
    if (slash == std::string::npos) break;
  }
  folder = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) return 0;
  return Cause(made != 0 ? made : errno);
}

// Walks from `folder` along the relative path `below`, making missing
// folders and following only links of the user's own or root's; 0 with
// `folder` replaced by the last one, or the cause.
int WalkBelow(int& folder, const std::string& below) {
  std::deque<std::string> pieces;
  NativePushPathPieces(below, pieces, false);
  const uid_t user = ::geteuid();
  int links = 0, makings = 0;
  auto moveTo = [&](int next) {
    if (next < 0) return Cause(errno);
    ::close(folder);
    folder = next;
    return 0;
  };
  while (!pieces.empty()) {
    const std::string piece = pieces.front();
    pieces.pop_front();
    if (piece == ".") continue;
    if (piece == "..") {
      if (int cause = moveTo(::openat(folder, "..", O_PATH | O_DIRECTORY | O_CLOEXEC))) return cause;
      continue;
    }
    struct stat info;
    if (::fstatat(folder, piece.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return Cause(errno);
      if (++makings > MostMakings) return ENOENT;
      if (::mkdirat(folder, piece.c_str(), Private) != 0 && errno != EEXIST) return Cause(errno);
      pieces.push_front(piece);
      continue;
    }
    if (S_ISLNK(info.st_mode)) {
      if (++links > NativeMostLinks) return ELOOP;
      if (info.st_uid != user && info.st_uid != 0) return NativeForeignLinkOnWay;
      std::string to;
      if (int cause = NativeReadLinkAt(folder, piece, info, to)) return Cause(cause);
      NativePushPathPieces(to, pieces, true);
      if (to[0] == '/')
        if (int cause = moveTo(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC))) return cause;
      continue;
    }
    if (!S_ISDIR(info.st_mode)) return NativeNotAFolder;
    // Not through a link put in its place meanwhile.
    if (int cause = moveTo(::openat(folder, piece.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))) return cause;
  }
  return 0;
}

}  // namespace

int NativeOpenStateFolder(std::string& folderPath, int& cause) {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  std::string base, below;
  if (state && state[0] == '/') {
    base = state;
    below = "pellburne";
  } else if (home && home[0] == '/') {
    base = home;
    below = ".local/state/pellburne";
  } else {
    folderPath = "~/.local/state/pellburne";
    cause = ENOENT;
    return -1;
  }
  folderPath = base + "/" + below;
  int folder = -1;
  if ((cause = OpenBase(base, folder)) != 0) return -1;
  if ((cause = WalkBelow(folder, below)) != 0) {
    ::close(folder);
    return -1;
  }
  int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ::close(folder);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    cause = errno;
    if (fd >= 0) ::close(fd);
    return -1;
  }
  if (info.st_uid != ::geteuid()) {
    ::close(fd);
    cause = NativeForeignFolder;
    return -1;
  }
  // Made wider by the user or a program: the copies are nobody else's business.
  if ((info.st_mode & 077) != 0) ::fchmod(fd, Private);
  return fd;
}
