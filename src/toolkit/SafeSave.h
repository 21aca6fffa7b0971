#pragma once
// Saves a file so that a failed or interrupted save never destroys what was
// there, and no save touches a file that is not its own.
//
// The new content is gathered in memory. Commit() writes it to a temporary
// file of the save's own in the same folder, syncs it and renames it over
// the file, which keeps its owner, group, mode, ACL and other extended
// attributes. Links are followed as the kernel follows them where it
// protects shared folders. Only a plain file is ever replaced; one without
// any write permission is refused, as is one the user may not write.
//
// Where the folder takes no new file, the new file cannot be given what the
// old one had, or the file has more names than one (hard links, which a new
// file would leave behind), the file is written in place. The save then
// holds an exclusive lock on it throughout, which loads respect; a synced
// copy of its old bytes is made first (a disk that fails to sync the copy's
// name in its folder fails the save), the growth is written behind the old
// bytes, and on any failure the file goes back to its old size and bytes.
// The copy is removed once the new bytes are synced.
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "toolkit/PathWalk.h"
#include "toolkit/SaveTemporary.h"

class NativeSafeSave {
public:
  explicit NativeSafeSave(const std::string& path);
  // Without a successful Commit() the file stays as it was.
  ~NativeSafeSave();
  NativeSafeSave(const NativeSafeSave&) = delete;
  NativeSafeSave& operator=(const NativeSafeSave&) = delete;

  // False once a write has failed (later ones are dropped).
  bool Write(const char* data, size_t size);
  // Puts the content in place; false when anything on the way failed.
  bool Commit();

  // The stream the content is gathered in; null when the file cannot be saved.
  FILE* Stream() const { return stream; }
  // The errno of the first failure (or one of the causes in FileErrors.h);
  // 0 while there was none.
  int Error() const { return error; }
  // That failure as a German text for a message box.
  std::string ErrorText() const;

private:
  void Open(const std::string& path);
  void Fail(int code);
  bool TakeOver();
  bool OpenInPlace();
  int LockInPlace();
  void CommitThroughTemporary(const char* data, size_t size);
  void CommitInPlace(const char* data, size_t size);
  void CloseInPlace();

  ResolvedPath file;
  struct stat old {};
  bool exists = false;  // there is a file to replace
  SaveTemporary temporary;
  bool throughTemporary = false;
  int inPlace = -1;  // the file itself, when it is written in place
  FILE* stream = nullptr;
  char* content = nullptr;
  size_t contentSize = 0;
  int error = 0;
  std::string refusals;  // where no copy of the old bytes could be made
};
