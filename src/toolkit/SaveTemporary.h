#pragma once
// The file a save writes before it renames it over the file it replaces, or
// gives it a name of its own (the copy of a file's old bytes):
// ".NAME~PID-RANDOM.tmp" in the same folder. The random part makes the name
// the save's own even where process ids repeat (pid namespaces, several
// machines on one network folder); it is created exclusively and stays
// locked while the save runs, so a leftover that can be locked is certainly
// one of a save that died.
#include <string>
#include <sys/types.h>

class SaveTemporary {
public:
  SaveTemporary() = default;
  ~SaveTemporary() { Close(); }
  SaveTemporary(const SaveTemporary&) = delete;
  SaveTemporary& operator=(const SaveTemporary&) = delete;

  // Removes what dead saves of the file `name` left in the folder, then
  // makes a new file of this save's own; 0, or why there is none.
  int Create(int folder, const std::string& name, mode_t mode);
  // Puts the file in place of `name`; 0 or the errno. The file stays open,
  // and locked, until Close().
  int RenameOver(const std::string& name);
  // Gives the file the name `name` instead of its temporary one, never in
  // place of an existing file: 0, EEXIST when the name is taken, or the
  // errno. The file stays open until Close().
  int NameAs(const std::string& name);
  // Closes the file; one that still has its temporary name is removed
  // first, provided the name still is the file this save made.
  void Close();

  int Descriptor() const { return fd; }

private:
  // Removes the temporary name, provided it still is the file this save made.
  void RemoveName();

  int folder = -1;  // not owned
  int fd = -1;
  std::string temporaryName;  // empty once renamed or removed
};
