#pragma once
// The copy of a file's old bytes that a save written in place keeps until
// the new bytes are safely on the disk. It lies next to the file, named as
// text editors name their copies ("lauflicht.pbn~", or "lauflicht.pbn.~1~"
// and on where an older copy is still there), or, where the folder takes no
// new file, in the program's state folder (StateFolder.h), named after the
// file's whole path so that the name reads back one way only
// ("!home!anna!lauflicht.pbn~": "/" becomes "!", and "!", "%" and "~"
// become "%21", "%25" and "%7E").
//
// The copy is private (mode 0600, the state folder 0700), made in pieces of
// a fixed size, and has its name only once it is whole and synced: a save
// killed meanwhile leaves a temporary file that the next save removes. A
// save killed later leaves the copy.
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "toolkit/SaveTemporary.h"

struct ResolvedPath;

class SaveBackup {
public:
  SaveBackup() = default;
  ~SaveBackup();
  SaveBackup(const SaveBackup&) = delete;
  SaveBackup& operator=(const SaveBackup&) = delete;

  // Copies the bytes of `file`, open at `from`, never over an existing file:
  // 0; NativeNoCopy when no place took the copy (Refusals() tells which and
  // why); why the file itself could not be read; or why the copy's name
  // might not last (its folder failed to sync).
  int Write(const ResolvedPath& file, int from);
  // How many bytes the copy holds: the file's size when it was copied.
  off_t Size() const;
  // Writes the copy's bytes back over the start of the file open at `to`;
  // 0 or the errno.
  int RestoreInto(int to) const;
  // Removes the copy once it is no longer needed.
  void Remove();
  // Each place where the copy was tried and why it could not be made there,
  // one a line, in German.
  std::string Refusals() const;

private:
  int WriteIn(const std::string& base, int from, bool& final);
  int GiveName(const std::string& base);
  void CloseFolder();

  int folder = -1;     // where the copy is made
  SaveTemporary made;  // open from its making to its removal
  std::string name;
  struct stat written {};
  std::vector<std::pair<std::string, int>> refused;
};
