#include "toolkit/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

extern char** environ;

const char* const NativePathSeparator = "/";

namespace {

bool PathExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

NativeThreadStarter::NativeThreadStarter(void (*fn)(void*), void* arg) {
  try {
    thread = std::thread([fn, arg] { fn(arg); });
  } catch (const std::system_error&) {
    // No thread to be had: run the work here rather than leave the caller
    // waiting for a thread that never started.
    fn(arg);
  }
}

NativeThreadStarter::~NativeThreadStarter() { Join(); }

void NativeThreadStarter::Join() {
  if (thread.joinable()) thread.join();
}

NativeProcess::NativeProcess(const std::string& program, std::vector<std::string> arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0) processId = pid;
}

NativeProcess::NativeProcess(const std::string& program) : NativeProcess(program, {}) {}

NativeProcess::~NativeProcess() {
  // Collect a child that has ended; one that still runs is left to run.
  GetExitCode();
}

int NativeProcess::GetExitCode() {
  if (processId <= 0) return -1;
  if (reaped) return exitCode;
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(processId, &status, WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result != processId) return -1;
  if (WIFEXITED(status)) {
    exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    exitCode = 128 + WTERMSIG(status);
  } else {
    return -1;  // stopped or continued: still there
  }
  reaped = true;
  return exitCode;
}

bool NativeGetAppDataDir(std::string& out) {
  std::string dir;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config && config[0] == '/') {
    dir = config;
  } else if (home && home[0] != '\0') {
    dir = std::string(home) + "/.config";
  } else {
    return false;
  }
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  out = dir;
  return true;
}

void NativeGetExecutablePath(std::string& out) {
  char buffer[PATH_MAX + 1];
  ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
  if (length < 0) length = 0;
  out.assign(buffer, static_cast<size_t>(length));
}

void NativeCreateTempDirPath(std::string& out) {
  std::string program;
  NativeGetExecutablePath(program);
  size_t slash = program.rfind('/');

  std::string base;
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir && tmpdir[0] != '\0' && IsDirectory(tmpdir))
    base = tmpdir;
  else if (IsDirectory("/tmp"))
    base = "/tmp";
  else
    base = (slash == std::string::npos ? std::string() : program.substr(0, slash)) + "/tmp";
  if (base.empty() || base.back() != '/') base += '/';

  std::string stem = slash == std::string::npos ? program : program.substr(slash + 1);

  // Unpredictable names, so nobody can plant something at the path beforehand.
  static thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<unsigned> number(0, 2147483646u);
  std::string candidate;
  do {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%.8x", number(generator));
    candidate = base + stem + suffix;
  } while (PathExists(candidate));
  out = candidate;
}

bool NativeDeleteFullDirectory(std::string directory) {
  // A link is never followed: only a real folder is emptied.
  struct stat info;
  if (::lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  if (directory.back() != '/') directory += '/';
  DIR* listing = ::opendir(directory.c_str());
  if (!listing) return false;
  bool ok = true;
  while (dirent* entry = ::readdir(listing)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = directory + name;
    struct stat entryInfo;
    if (::lstat(path.c_str(), &entryInfo) != 0) {
      ok = false;
      break;
    }
    if (S_ISDIR(entryInfo.st_mode))
      ok = NativeDeleteFullDirectory(path);
    else
      ok = ::unlink(path.c_str()) == 0;
    if (!ok) break;
  }
  ::closedir(listing);
  if (!ok) return false;
  return ::rmdir(directory.c_str()) == 0;
}
