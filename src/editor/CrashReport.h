#pragma once
// The crash report: fatal signals and std::terminate end in one handler that
// offers to save a core dump of the process and the last picture of the
// window, then ends the process with exit code 1.
#include <string>
#include <sys/types.h>

class QImage;

// Installs the handler for fatal signals and for std::terminate.
void InstallCrashHandler();
// The handler itself: asks for a file name, writes the dump and the
// screenshot at the name + ".bmp", and exits with code 1.
[[noreturn]] void HandleCrash();

// Writes an ELF core file of the process to the path (gdb's gcore); true when
// the file was written.
bool WriteCoreDump(pid_t process, const std::string& path);
// Writes the image as an uncompressed 32-bit BMP file; false when the file
// could not be written completely.
bool WriteBmpFile(const std::string& path, const QImage& image);
