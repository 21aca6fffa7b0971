#pragma once
// The crash report. Fatal signals and std::terminate end in one handler that
// does only async-signal-safe work, since the crash may have left the heap or
// any lock broken: it stops the other threads, writes the last picture of the
// window as a BMP into a memory file made at start-up, and starts the program
// again as the reporter, without fork's at-fork handlers. The reporter asks
// for a file name and writes the core dump of the crashed process and the
// screenshot at the name + ".bmp". The crashed process waits for it and ends
// with exit code 1; a watchdog ends it when the reporter does not.
#include <string>
#include <sys/types.h>

class QImage;

// Installs the handler for fatal signals and for std::terminate, and makes
// ahead everything the handler needs.
void InstallCrashHandler();
// The handler itself; the process ends with code 1.
[[noreturn]] void HandleCrash();

// True when the program was started as the reporter of a crashed process
// (the handler starts it so); to be asked before any other start-up.
bool IsCrashReporterCall(int argc, char** argv);
// The reporter: the question box, the save dialog, the dump and the
// screenshot. Uses the application object when there is one, else makes one.
// Returns the exit code.
int CrashReporterMain(int argc, char** argv);

// Writes an ELF core file of the process to the path (gdb's gcore); true when
// the file was written. A failed dump leaves no file.
bool WriteCoreDump(pid_t process, const std::string& path);
// Writes the image as an uncompressed 32-bit BMP file; false when the file
// could not be written completely.
bool WriteBmpFile(const std::string& path, const QImage& image);
