#include "toolkit/PathWalk.h"

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "toolkit/FileErrors.h"

void NativePushPathPieces(const std::string& path, std::deque<std::string>& pieces, bool atFront) {
  std::vector<std::string> found;
  size_t at = 0;
  while (at < path.size()) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) found.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  if (!path.empty() && path.back() == '/') found.push_back(".");
  if (atFront)
    pieces.insert(pieces.begin(), found.begin(), found.end());
  else
    pieces.insert(pieces.end(), found.begin(), found.end());
}

int NativeReadLinkAt(int folder, const std::string& name, const struct stat& link, std::string& to) {
  std::vector<char> buffer(size_t(link.st_size > 0 ? link.st_size : 255) + 1);
  for (;;) {
    ssize_t length = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
    if (length < 0) return errno;
    if (size_t(length) < buffer.size()) {
      to.assign(buffer.data(), size_t(length));
      return to.empty() ? ENOENT : 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

int OpenFolder(int at, const char* name) { return ::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); }

// The start of a path: the root, or the current folder with its path.
int Start(bool absolute, int& folder, std::string& folderPath) {
  folder = OpenFolder(AT_FDCWD, absolute ? "/" : ".");
  if (folder < 0) return errno;
  folderPath.clear();
  if (!absolute) {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
      if (errno != ERANGE) {
        buffer.assign(2, '\0');
        buffer[0] = '.';
        break;
      }
      buffer.resize(buffer.size() * 2);
    }
    folderPath = buffer.data();
    if (folderPath == "/") folderPath.clear();
  }
  return 0;
}

// Whether the kernel's rule lets the user follow a link in this folder.
bool MayFollow(const struct stat& link, int folder) {
  struct stat info;
  if (::fstat(folder, &info) != 0) return false;
  const mode_t shared = S_ISVTX | S_IWOTH;
  if ((info.st_mode & shared) != shared) return true;
  return link.st_uid == ::geteuid() || link.st_uid == info.st_uid;
}

}  // namespace

ResolvedPath::~ResolvedPath() {
  if (folder >= 0) ::close(folder);
}

int NativeResolvePath(const std::string& path, ResolvedPath& out) {
  if (path.empty()) return ENOENT;
  if (out.folder >= 0) ::close(out.folder);
  out.folder = -1;
  std::deque<std::string> pieces;
  NativePushPathPieces(path, pieces, false);
  int folder;
  std::string folderPath;
  if (int error = Start(path[0] == '/', folder, folderPath)) return error;
  int links = 0;
  auto moveTo = [&](int next) {
    ::close(folder);
    folder = next;
  };
  auto fail = [&](int error) {
    ::close(folder);
    return error;
  };
  while (!pieces.empty()) {
    const std::string piece = pieces.front();
    pieces.pop_front();
    const bool last = pieces.empty();
    if (piece == "." || piece == "..") {
      if (last) return fail(EISDIR);
      if (piece == ".") continue;
      int parent = OpenFolder(folder, "..");
      if (parent < 0) return fail(errno);
      moveTo(parent);
      size_t slash = folderPath.rfind('/');
      folderPath = slash == std::string::npos ? std::string() : folderPath.substr(0, slash);
      continue;
    }
    struct stat info;
    if (::fstatat(folder, piece.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT || !last) return fail(errno);
      out.exists = false;
    } else if (S_ISLNK(info.st_mode)) {
      if (++links > NativeMostLinks) return fail(ELOOP);
      if (!MayFollow(info, folder)) return fail(NativeForeignLink);
      std::string to;
      if (int error = NativeReadLinkAt(folder, piece, info, to)) return fail(error);
      NativePushPathPieces(to, pieces, true);
      if (to[0] == '/') {
        ::close(folder);
        if (int error = Start(true, folder, folderPath)) return error;
      }
      continue;
    } else if (!last) {
      if (!S_ISDIR(info.st_mode)) return fail(ENOTDIR);
      int next = OpenFolder(folder, piece.c_str());
      if (next < 0) return fail(errno);
      moveTo(next);
      folderPath += "/" + piece;
      continue;
    } else {
      out.exists = true;
    }
    out.folder = folder;
    out.folderPath = folderPath;
    out.name = piece;
    return 0;
  }
  // Nothing but the root or "." pieces.
  return fail(EISDIR);
}

int NativeSyncFolder(int folder) {
  // A folder the user may not read cannot be opened to be synced: nothing to
  // tell then.
  int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  int cause = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  // A file system that cannot sync folders at all.
  return cause == EINVAL ? 0 : cause;
}
