#include "toolkit/StateFolder.h"

#include <algorithm>
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

// Why nothing may be made in `folder`, which is not the saver's: the saver
// may not write there at all, or may (root in a user's home, a folder
// open to all) but what it made would be its own in someone else's folder,
// which that user could neither use nor remove.
int RefusedMaking(int folder) {
  return ::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0 ? Cause(errno) : NativeForeignFolder;
}

// Opens the deepest folder of the absolute path that exists, through
// whatever links lead to it; `missing` is the part of the path below it.
int OpenNearest(const std::string& path, int& folder, std::string& missing) {
  for (size_t end = path.size();;) {
    const std::string nearest = end == 0 ? "/" : path.substr(0, end);
    folder = ::open(nearest.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      missing = path.substr(std::min(end + 1, path.size()));
      return 0;
    }
    if (errno != ENOENT || end == 0) return Cause(errno);
    end = path.rfind('/', end - 1);
  }
}

// Walks from `folder` along the relative path `below`, making missing
// folders only inside folders of the saver's own and following only links
// of the saver's own or root's; 0 with `folder` replaced by the last one, or
// the cause: of the first making that failed.
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
      struct stat here;
      if (::fstat(folder, &here) != 0) return Cause(errno);
      if (here.st_uid != user) return RefusedMaking(folder);
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
    if (int cause = moveTo(::openat(folder, piece.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)))
      return cause;
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
    cause = NativeNoHome;
    return -1;
  }
  folderPath = base + "/" + below;
  int folder = -1;
  std::string missing;
  if ((cause = OpenNearest(base, folder, missing)) != 0) return -1;
  if ((cause = WalkBelow(folder, missing + "/" + below)) != 0) {
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
