#include "toolkit/SaveBackup.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "toolkit/FileErrors.h"
#include "toolkit/FileNames.h"
#include "toolkit/PathWalk.h"
#include "toolkit/RegularFile.h"
#include "toolkit/StateFolder.h"

namespace {

// Older copies that are still there make way for at most this many.
constexpr int MostCopies = 100;
// "." + "~" + a number + "~".
constexpr size_t CopyMarks = 8;
// The piece the bytes are copied in: the memory a copy needs, whatever the
// file's size.
constexpr size_t Piece = 1 << 16;

// The whole path in one name that reads back one way only: a "%" always
// starts a code of three characters, and no "~" of the path can be taken
// for the copy marks behind it.
std::string FlatName(const std::string& path) {
  std::string flat;
  for (char c : path) {
    switch (c) {
    case '/':
      flat += '!';
      break;
    case '!':
    case '%':
    case '~': {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
      flat += code;
      break;
    }
    default:
      flat += c;
    }
  }
  return flat;
}

// Copies the file at `from` into `to` piece by piece; 0 or the errno, with
// `final` set when reading `from` failed: no other place would do better.
int CopyBytes(int from, int to, bool& final) {
  NativeBoundedRead in(from);
  char piece[Piece];
  off_t at = 0;
  for (;;) {
    ssize_t got = in.Read(piece, sizeof piece);
    if (got <= 0) {
      final = got < 0;
      return in.Error();
    }
    if (int cause = NativeWriteAllAt(to, piece, size_t(got), at)) return cause;
    at += got;
  }
}

}  // namespace

SaveBackup::~SaveBackup() {
  made.Close();
  CloseFolder();
}

int SaveBackup::Write(const ResolvedPath& file, int from) {
  bool final = false;
  folder = ::dup(file.folder);
  int cause = folder < 0 ? errno : WriteIn(file.name, from, final);
  if (cause == 0 || final) return cause;
  refused.emplace_back(file.folderPath.empty() ? "/" : file.folderPath, cause);
  CloseFolder();
  std::string statePath;
  folder = NativeOpenStateFolder(statePath, cause);
  if (folder >= 0) {
    cause = WriteIn(FlatName(file.Path()), from, final);
    if (cause == 0 || final) return cause;
    CloseFolder();
  }
  refused.emplace_back(statePath, cause);
  return NativeNoCopy;
}

int SaveBackup::WriteIn(const std::string& base, int from, bool& final) {
  // Never over another file, nor through a link planted under a name.
  if (int cause = made.Create(folder, base, 0600)) return cause;
  const int fd = made.Descriptor();
  int cause = ::fchmod(fd, 0600) == 0 ? 0 : errno;
  if (cause == 0) cause = CopyBytes(from, fd, final);
  if (cause == 0 && ::fsync(fd) != 0) cause = errno;
  if (cause == 0 && ::fstat(fd, &written) != 0) cause = errno;
  if (cause == 0) cause = GiveName(base);
  if (cause != 0) {
    made.Close();
    return cause;
  }
  // The copy's name lasts through a power cut only once its folder is
  // synced. A disk that fails that fails the save: the file stays untouched.
  if ((cause = NativeSyncFolder(folder)) != 0) {
    Remove();
    final = true;
    return cause;
  }
  return 0;
}

void SaveBackup::CloseFolder() {
  if (folder >= 0) ::close(folder);
  folder = -1;
}

int SaveBackup::GiveName(const std::string& base) {
  const std::string fitted = NativeFitName(folder, base, CopyMarks, true);
  for (int number = 0; number < MostCopies; ++number) {
    std::string candidate = number == 0 ? fitted + "~" : fitted + ".~" + std::to_string(number) + "~";
    const int cause = made.NameAs(candidate);
    if (cause == EEXIST) continue;
    if (cause == 0) name = candidate;
    return cause;
  }
  return EEXIST;
}

int SaveBackup::RestoreInto(int to) const {
  char piece[Piece];
  for (off_t at = 0;;) {
    ssize_t got = ::pread(made.Descriptor(), piece, sizeof piece, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    if (int cause = NativeWriteAllAt(to, piece, size_t(got), at)) return cause;
    at += got;
  }
}

void SaveBackup::Remove() {
  if (folder >= 0 && !name.empty()) {
    struct stat now;
    if (::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == written.st_dev &&
        now.st_ino == written.st_ino)
      ::unlinkat(folder, name.c_str(), 0);
  }
  name.clear();
  made.Close();
}

off_t SaveBackup::Size() const { return written.st_size; }

std::string SaveBackup::Refusals() const {
  std::string text;
  for (const auto& [place, cause] : refused) text += (text.empty() ? "" : "\n") + place + ": " + NativeErrorText(cause);
  return text;
}
