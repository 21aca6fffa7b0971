#pragma once
// Thin wrappers of the operating-system services the program needs, and the
// string splitter. Plain POSIX and C++: no Qt here.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// Runs fn(arg) on a new thread, started before the constructor returns.
class NativeThreadStarter {
public:
  NativeThreadStarter(void (*fn)(void*), void* arg);
  // Joins a thread that nobody joined, so the function never outlives what
  // its argument points to.
  ~NativeThreadStarter();
  NativeThreadStarter(const NativeThreadStarter&) = delete;
  NativeThreadStarter& operator=(const NativeThreadStarter&) = delete;

  // Waits until the thread has ended; returns at once when it already was joined.
  void Join();

private:
  std::thread thread;
};

// A child process, started at construction.
class NativeProcess {
public:
  NativeProcess(const std::string& program, std::vector<std::string> arguments);
  explicit NativeProcess(const std::string& program);
  ~NativeProcess();
  NativeProcess(const NativeProcess&) = delete;
  NativeProcess& operator=(const NativeProcess&) = delete;

  // The child's exit code; -1 while it still runs or when it could not be started.
  // A child ended by a signal reports 128 + the signal number.
  int GetExitCode();

private:
  pid_t processId = -1;
  bool reaped = false;
  int exitCode = -1;
};

extern const char* const NativePathSeparator;

// The user's configuration folder without a trailing separator; false (out
// untouched) when it cannot be found.
bool NativeGetAppDataDir(std::string& out);
// The full path of the running program file.
void NativeGetExecutablePath(std::string& out);
// A path for a new temporary folder that does not exist yet; creates nothing.
void NativeCreateTempDirPath(std::string& out);
// Deletes the folder with everything in it; true only when the folder itself is gone.
bool NativeDeleteFullDirectory(std::string directory);

// Saves a file so that a failed save never destroys what was there: the
// content goes to a temporary file in the same folder (".name~PID.tmp"),
// which Commit() syncs and renames over the file with the file's mode. A
// symbolic link is saved through to its target. A file the user may not
// write is refused. What an interrupted earlier save of the same file left
// behind is removed. Where the folder takes no new file but the file itself
// is writable, the file is written in place.
class NativeSafeSave {
public:
  explicit NativeSafeSave(const std::string& path);
  // Without a successful Commit() the temporary file goes again.
  ~NativeSafeSave();
  NativeSafeSave(const NativeSafeSave&) = delete;
  NativeSafeSave& operator=(const NativeSafeSave&) = delete;

  // Buffered; false once a write has failed (later ones are dropped).
  bool Write(const char* data, size_t size);
  // Flushes, syncs and closes the file and puts it in place; false when
  // anything on the way failed.
  bool Commit();

  // The stream written to; null when the file cannot be saved.
  FILE* Stream() const { return stream; }
  // The errno of the first failure; 0 while there was none.
  int Error() const { return error; }

private:
  void Fail(int code);

  std::string target;
  std::string temporary;  // empty when writing in place
  FILE* stream = nullptr;
  std::unique_ptr<char[]> buffer;
  int error = 0;
};

// Why a file operation failed, for a message box: German words for the
// common causes (full disk, no permission, missing folder, file too large),
// else the system's text.
std::string NativeErrorText(int error);

namespace String {

// Appends every non-empty piece of text between delimiters; never clears pieces.
template <typename Container>
void Tokenize(const std::string& text, Container& pieces, char delimiter) {
  std::istringstream stream(text);
  std::string piece;
  while (std::getline(stream, piece, delimiter)) {
    if (!piece.empty()) pieces.push_back(piece);
  }
}

}  // namespace String
