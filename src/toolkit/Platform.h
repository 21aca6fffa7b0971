#pragma once
// Thin wrappers of the operating-system services the program needs, and the
// string splitter. Plain POSIX and C++: no Qt here.
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
