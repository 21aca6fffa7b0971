#pragma once
// Finds the file a path names, following symbolic links the way the kernel
// does when it protects shared folders: in a folder that is sticky and
// writable for everyone, a link is followed only when it belongs to the
// user or to the folder's owner, and no more than 40 links are followed in
// all. Reading and saving go through this walk, so neither depends on how
// the system is set up, and what follows works on the folder the walk
// opened, not on the path again.
#include <deque>
#include <string>
#include <sys/stat.h>

struct ResolvedPath {
  ResolvedPath() = default;
  ~ResolvedPath();
  ResolvedPath(const ResolvedPath&) = delete;
  ResolvedPath& operator=(const ResolvedPath&) = delete;

  std::string Path() const { return folderPath + "/" + name; }

  int folder = -1;         // the file's folder, opened for *at calls
  std::string folderPath;  // that folder's path, without links ("" for the root)
  std::string name;        // the file's name in it; no link when the walk ended
  bool exists = false;     // false: the name is free, a save creates the file
};

// 0, or why the path leads to no file name: ENOENT (a folder is missing),
// ENOTDIR, EISDIR (the path names a folder), ELOOP (more than 40 links),
// NativeForeignLink, EACCES and the like.
int NativeResolvePath(const std::string& path, ResolvedPath& out);

// Syncs a folder that the walk opened, so that names made or changed in it
// last through a crash. 0, also where the folder cannot be opened for it or
// its file system cannot sync folders (EINVAL); else the errno (EIO: the
// names may not last).
int NativeSyncFolder(int folder);

// Pieces of the walk, for walks of other rules.

// As many links as the kernel follows in one lookup.
constexpr int NativeMostLinks = 40;
// The pieces of a path between slashes, in order, put in front of or behind
// `pieces`; a trailing slash asks for a folder, which the "." it adds makes
// sure of.
void NativePushPathPieces(const std::string& path, std::deque<std::string>& pieces, bool atFront);
// Where the link `name` in `folder` (as lstat found it: `link`) leads; 0 or
// the errno, ENOENT for an empty one.
int NativeReadLinkAt(int folder, const std::string& name, const struct stat& link, std::string& to);
