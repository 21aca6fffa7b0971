#pragma once
// Why a file could not be read or saved, as a German sentence for a message
// box. Besides errno values, causes of the program's own.
#include <string>

// A pipe, a device or a socket where a plain file belongs.
constexpr int NativeNotRegularFile = -2;
// A link that another user put into a shared folder (sticky and writable
// for everyone): followed neither for reading nor for saving.
constexpr int NativeForeignLink = -3;
// The file changed while it was read: its content cannot be trusted.
constexpr int NativeFileChanged = -4;
// Another program kept the file locked for longer than a load or save
// waits: one that saves it, or, for a save, also one that reads it.
constexpr int NativeFileLocked = -5;
// A save in place found no folder that took the copy of the old bytes, and
// without it the file is not overwritten.
constexpr int NativeNoCopy = -6;
// The program's state folder belongs to another user.
constexpr int NativeForeignFolder = -7;
// The way to the program's state folder leads through another user's link.
constexpr int NativeForeignLinkOnWay = -8;
// A file stands where the way to a folder needs a folder.
constexpr int NativeNotAFolder = -9;
// HOME is not set (nor XDG_STATE_HOME), so the folder cannot be found.
constexpr int NativeNoHome = -10;

// A German sentence for every error that finding, opening, reading,
// writing, syncing, locking or renaming a file can end with, and a German
// sentence with the number for any other.
std::string NativeErrorText(int error);
