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

// Saves a file so that a failed save never destroys what was there. The new
// content is gathered in memory; Commit() writes it to a temporary file in
// the same folder (".name~PID.tmp", the name shortened where it would be too
// long), syncs it and renames it over the file, keeping the file's owner,
// group and mode. A symbolic link is saved through to its target. Only a
// plain file is ever replaced; one without any write permission is refused,
// as is one the user may not write. What an interrupted earlier save of the
// same file left behind is removed. Where the folder takes no new file, or
// owner and group cannot be kept, the file is written in place: its old
// bytes are held in memory, the growth is written first, and on any failure
// the old bytes go back.
class NativeSafeSave {
public:
  explicit NativeSafeSave(const std::string& path);
  // Without a successful Commit() the file stays as it was.
  ~NativeSafeSave();
  NativeSafeSave(const NativeSafeSave&) = delete;
  NativeSafeSave& operator=(const NativeSafeSave&) = delete;

  // False once a write has failed (later ones are dropped).
  bool Write(const char* data, size_t size);
  // Puts the content in place; false when anything on the way failed.
  bool Commit();

  // The stream the content is gathered in; null when the file cannot be saved.
  FILE* Stream() const { return stream; }
  // The errno of the first failure (or NativeNotRegularFile); 0 while there was none.
  int Error() const { return error; }

private:
  void Fail(int code);
  bool OpenInPlace();
  void CommitThroughTemporary(const char* data, size_t size);
  void CommitInPlace(const char* data, size_t size);
  void CloseFile();

  std::string target;
  std::string temporary;  // empty when writing in place
  int fd = -1;            // the temporary file, or the file itself in place
  bool exists = false;    // there is a file to replace
  FILE* stream = nullptr;
  char* content = nullptr;
  size_t contentSize = 0;
  int error = 0;
};

// The error of a save or an opening that found a pipe, a device or a socket
// where a plain file belongs. No errno has this value.
constexpr int NativeNotRegularFile = -2;

// Opens a plain file for reading, without ever blocking: anything else in
// its place (a pipe, a device, a socket, a folder) is not opened at all.
// The descriptor, or -1 with the cause in error.
int NativeOpenRegularFile(const std::string& path, int& error);
// Reads a plain file whole in the same way; false with the cause in error,
// EFBIG when it holds more than `most` bytes.
bool NativeReadRegularFile(const std::string& path, std::string& content, size_t most, int& error);

// Why a file operation failed, for a message box: a German sentence for
// every error that opening, reading, writing, syncing or renaming a file can
// end with, and a German sentence with the number for any other.
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
