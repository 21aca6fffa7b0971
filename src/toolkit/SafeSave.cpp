#include "toolkit/SafeSave.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#include "toolkit/FileAttributes.h"
#include "toolkit/FileErrors.h"
#include "toolkit/FileLock.h"
#include "toolkit/RegularFile.h"
#include "toolkit/SaveBackup.h"

NativeSafeSave::NativeSafeSave(const std::string& path) {
  // A file-size limit must fail the write, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    Open(path);
  } catch (const std::bad_alloc&) {
    Fail(ENOMEM);
    temporary.Close();
    CloseInPlace();
  }
}

void NativeSafeSave::Open(const std::string& path) {
  if (int cause = NativeResolvePath(path, file)) {
    Fail(cause);
    return;
  }
  if (file.exists) {
    if (::fstatat(file.folder, file.name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
      Fail(errno);
      return;
    }
    exists = true;
    if (S_ISDIR(old.st_mode)) {
      Fail(EISDIR);
      return;
    }
    if (!S_ISREG(old.st_mode)) {
      Fail(NativeNotRegularFile);
      return;
    }
    // Read-only is read-only for root too, whom the kernel lets write anything.
    if ((old.st_mode & 0222) == 0) {
      Fail(EACCES);
      return;
    }
    if (::faccessat(file.folder, file.name.c_str(), W_OK, AT_EACCESS) != 0) {
      Fail(errno);
      return;
    }
  }
  // A new file would take the name from the file's other names (hard
  // links): such a file is written in place, and every name sees the save.
  bool writeInPlace = exists && old.st_nlink > 1;
  if (!writeInPlace) {
    const int created = temporary.Create(file.folder, file.name, exists ? 0600 : 0666);
    if (created != 0) {
      // A folder closed to new files around a file open to writing.
      writeInPlace = exists && (created == EACCES || created == EPERM);
      if (!writeInPlace) {
        Fail(created);
        return;
      }
    } else if (exists && !TakeOver()) {
      // A file shared with others stays theirs, and stays as open to them as
      // it was: it is written in place.
      temporary.Close();
      writeInPlace = true;
    } else {
      throughTemporary = true;
    }
  }
  if (writeInPlace && !OpenInPlace()) return;

  stream = ::open_memstream(&content, &contentSize);
  if (!stream) {
    Fail(errno);
    temporary.Close();
    CloseInPlace();
  }
}

NativeSafeSave::~NativeSafeSave() {
  if (stream) std::fclose(stream);
  std::free(content);
  CloseInPlace();
}

// Gives the new file the old one's owner, group, attributes and mode; false
// when any of them cannot be kept.
bool NativeSafeSave::TakeOver() {
  const int fd = temporary.Descriptor();
  struct stat now;
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0) return false;
  // The ACL before the mode: the mode's group bits then stand for the ACL's
  // mask as they did in the old file.
  if (!NativeCopyAttributes(file.Path(), fd)) return false;
  // After the owner: a change of owner may clear the set-id bits.
  return ::fchmod(fd, old.st_mode & 07777) == 0;
}

bool NativeSafeSave::OpenInPlace() {
  CloseInPlace();
  inPlace = ::openat(file.folder, file.name.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  if (inPlace < 0) {
    // Also a file that may be written but not read: its old bytes could not go back.
    Fail(errno);
    return false;
  }
  struct stat info;
  if (::fstat(inPlace, &info) != 0 || !S_ISREG(info.st_mode)) {
    Fail(NativeNotRegularFile);
    CloseInPlace();
    return false;
  }
  return true;
}

void NativeSafeSave::CloseInPlace() {
  if (inPlace >= 0) ::close(inPlace);
  inPlace = -1;
}

void NativeSafeSave::Fail(int code) {
  if (error == 0) error = code != 0 ? code : EIO;
}

bool NativeSafeSave::Write(const char* data, size_t size) {
  if (!stream || error != 0) return false;
  errno = 0;
  if (std::fwrite(data, 1, size, stream) != size) Fail(errno ? errno : ENOMEM);
  return error == 0;
}

std::string NativeSafeSave::ErrorText() const {
  if (error == NativeNoCopy && !refusals.empty())
    return "Bevor die Datei an Ort und Stelle überschrieben wird, muss eine Kopie ihres alten Inhalts angelegt "
           "werden. Das ging an keiner dieser Stellen:\n" +
           refusals;
  return NativeErrorText(error);
}

bool NativeSafeSave::Commit() {
  if (!stream) return false;
  errno = 0;
  if (std::fclose(stream) != 0) Fail(errno ? errno : ENOMEM);
  stream = nullptr;
  try {
    if (error == 0) {
      if (throughTemporary)
        CommitThroughTemporary(content, contentSize);
      else
        CommitInPlace(content, contentSize);
    }
  } catch (const std::bad_alloc&) {
    // Thrown only before the file is touched: nothing after that allocates.
    Fail(ENOMEM);
  }
  temporary.Close();
  CloseInPlace();
  std::free(content);
  content = nullptr;
  contentSize = 0;
  return error == 0;
}

void NativeSafeSave::CommitThroughTemporary(const char* data, size_t size) {
  const int fd = temporary.Descriptor();
  int cause = NativeWriteAllAt(fd, data, size, 0);
  if (cause == 0 && ::fsync(fd) != 0) cause = errno;
  if (cause != 0) {
    Fail(cause);
    return;
  }
  cause = temporary.RenameOver(file.name);
  if (cause == 0) {
    // The new file is in place: a failed sync of its name can undo nothing.
    (void)NativeSyncFolder(file.folder);
    return;
  }
  temporary.Close();
  // A sticky folder refuses to replace another user's file that anyone may write.
  if (exists && (cause == EPERM || cause == EACCES)) {
    if (OpenInPlace()) CommitInPlace(data, size);
    return;
  }
  Fail(cause);
}

// Locks the file for writing and makes sure the name still is that file:
// another save may have put a new one in its place meanwhile, and that is
// the one to write. 0 or the cause.
int NativeSafeSave::LockInPlace() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (int cause = NativeLockFile(inPlace, true)) return cause;
    struct stat opened, named;
    if (::fstat(inPlace, &opened) != 0) return errno;
    if (::fstatat(file.folder, file.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino)
      return 0;
    if (!OpenInPlace()) return error;
  }
  return NativeFileChanged;
}

void NativeSafeSave::CommitInPlace(const char* data, size_t size) {
  // Held until the file is closed: no load reads it, and no other save
  // writes it, before it holds all its new bytes or all its old ones.
  if (int cause = LockInPlace()) {
    Fail(cause);
    return;
  }
  // Nothing of the file changes before its old bytes are safe elsewhere.
  SaveBackup copy;
  if (int cause = copy.Write(file, inPlace)) {
    refusals = copy.Refusals();
    Fail(cause);
    return;
  }
  // As it was copied: once at rest, should a writer without a lock have
  // changed it before.
  const size_t oldSize = size_t(copy.Size());
  // The growth first, behind the old bytes: when there is no room for it
  // (full disk, file-size limit), nothing of the old bytes was touched yet.
  int cause = size > oldSize ? NativeWriteAllAt(inPlace, data + oldSize, size - oldSize, off_t(oldSize)) : 0;
  const bool touched = cause == 0;
  if (cause == 0) cause = NativeWriteAllAt(inPlace, data, std::min(size, oldSize), 0);
  if (cause == 0 && size < oldSize && ::ftruncate(inPlace, off_t(size)) != 0) cause = errno;
  if (cause == 0 && ::fsync(inPlace) != 0) cause = errno;
  if (cause == 0) {
    copy.Remove();
    return;
  }
  Fail(cause);
  // Back to the old size in any case: cutting needs no room, and it frees
  // what the growth took for the old bytes to go back into.
  bool restored = ::ftruncate(inPlace, off_t(oldSize)) == 0;
  if (touched) restored = copy.RestoreInto(inPlace) == 0 && restored;
  restored = ::fsync(inPlace) == 0 && restored;
  // Otherwise the copy holds the only sure old bytes: it stays.
  if (restored) copy.Remove();
}
