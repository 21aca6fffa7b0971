#pragma once
// Why a file could not be read or saved, as a German sentence for a message
// box. Besides errno values, three causes of the program's own.
#include <string>

// A pipe, a device or a socket where a plain file belongs.
constexpr int NativeNotRegularFile = -2;
// A link that another user put into a shared folder (sticky and writable
// for everyone): followed neither for reading nor for saving.
constexpr int NativeForeignLink = -3;
// The file grew while it was read: its content cannot be trusted.
constexpr int NativeFileChanged = -4;

// A German sentence for every error that finding, opening, reading,
// writing, syncing, locking or renaming a file can end with, and a German
// sentence with the number for any other.
std::string NativeErrorText(int error);
