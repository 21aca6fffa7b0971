#pragma once
// The program's state folder, $XDG_STATE_HOME/pellburne (else
// ~/.local/state/pellburne), where a save in place keeps the copy of a
// file's old bytes when the file's own folder takes none. The copy's name
// tells the project's path, and a crash may leave the copy as the only old
// bytes, so only a folder of the saver's own is used: one that belongs to
// the saver and is reached through no link below the home (or below
// $XDG_STATE_HOME) but the saver's or root's. HOME may be another user's
// (root after sudo), and $XDG_STATE_HOME a shared folder where anyone can
// plant a link.
#include <string>

// Opens the state folder, making what is missing of it (mode 0700) inside
// folders of the saver's own only, and makes it private again where it is
// wider. Its path is set in any case, for telling where it was tried. The
// descriptor; or -1 with the cause: the errno of what failed (of the first
// making that failed too: EACCES, EROFS), NativeNoHome, NativeForeignFolder
// (also for a missing folder that would have to be made in another user's),
// NativeForeignLinkOnWay or NativeNotAFolder.
int NativeOpenStateFolder(std::string& folderPath, int& cause);
