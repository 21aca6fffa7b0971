#pragma once
// The copy of a file's old bytes that a save written in place keeps until
// the new bytes are safely on the disk. It lies next to the file, named as
// text editors name their copies ("lauflicht.pbn~", or "lauflicht.pbn.~1~"
// and on where an older copy is still there), or, where the folder takes no
// new file, in the program's folder under $XDG_STATE_HOME (else
// ~/.local/state), named after the file's whole path
// ("!home!anna!lauflicht.pbn~"). A save killed meanwhile leaves it there.
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

struct ResolvedPath;

class SaveBackup {
public:
  SaveBackup() = default;
  ~SaveBackup();
  SaveBackup(const SaveBackup&) = delete;
  SaveBackup& operator=(const SaveBackup&) = delete;

  // Writes and syncs the copy, never over an existing file; 0 or why no
  // copy could be made anywhere.
  int Write(const ResolvedPath& file, const std::string& bytes, mode_t mode);
  // Removes the copy once it is no longer needed.
  void Remove();
  // Where the copy lies; empty while there is none.
  const std::string& Path() const { return path; }

private:
  int WriteIn(int inFolder, const std::string& folderPath, const std::string& base, const std::string& bytes,
              mode_t mode);

  int folder = -1;
  std::string name;
  std::string path;
  struct stat written {};
};
