#include "toolkit/Platform.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The folder part of a path, "." when it has none.
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names once symbolic links are followed; a link to a file
// that does not exist yet names that file.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::vector<char> link(PATH_MAX);
    ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length <= 0) return path;
    std::string to(link.data(), static_cast<size_t>(length));
    path = to[0] == '/' ? to : FolderOf(path) + "/" + to;
  }
  return path;  // a loop of links: stat refuses it
}

// Temporary files carry the saving process's id, so a save can tell the
// leftovers of a killed save from those of one still running elsewhere.
const char* const TemporaryEnd = ".tmp";

std::string TemporaryName(const std::string& name, pid_t pid) {
  return "." + name + "~" + std::to_string(pid) + TemporaryEnd;
}

void RemoveLeftovers(const std::string& folder, const std::string& name) {
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return;
  const std::string start = "." + name + "~";
  const size_t endLength = std::strlen(TemporaryEnd);
  while (dirent* entry = ::readdir(listing)) {
    std::string entryName = entry->d_name;
    if (entryName.size() <= start.size() + endLength || entryName.compare(0, start.size(), start) != 0 ||
        entryName.compare(entryName.size() - endLength, endLength, TemporaryEnd) != 0)
      continue;
    std::string digits = entryName.substr(start.size(), entryName.size() - start.size() - endLength);
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    pid_t pid = static_cast<pid_t>(std::stol(digits));
    bool gone = pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
    std::string path = folder + "/" + entryName;
    struct stat info;
    if (gone && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(listing);
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

NativeSafeSave::NativeSafeSave(const std::string& path) : target(FollowLinks(path)) {
  // A file-size limit must fail the write, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);

  struct stat old;
  bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno == ELOOP) {
    Fail(ELOOP);
    return;
  }
  if (exists && S_ISDIR(old.st_mode)) {
    Fail(EISDIR);
    return;
  }
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    Fail(errno);
    return;
  }
  std::string folder = FolderOf(target);
  RemoveLeftovers(folder, NameOf(target));

  temporary = folder + "/" + TemporaryName(NameOf(target), ::getpid());
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    if (exists) ::fchmod(fd, old.st_mode & 07777);
  } else {
    int cause = errno;
    temporary.clear();
    // A folder closed to new files around a file open to writing.
    if (exists && (cause == EACCES || cause == EPERM)) {
      fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      cause = errno;
    }
    if (fd < 0) {
      Fail(cause);
      return;
    }
  }
  stream = ::fdopen(fd, "w");
  if (!stream) {
    Fail(errno);
    ::close(fd);
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
    return;
  }
  constexpr size_t BufferSize = 1 << 16;
  buffer = std::make_unique<char[]>(BufferSize);
  std::setvbuf(stream, buffer.get(), _IOFBF, BufferSize);
}

NativeSafeSave::~NativeSafeSave() {
  if (stream) std::fclose(stream);
  if (!temporary.empty()) ::unlink(temporary.c_str());
}

void NativeSafeSave::Fail(int code) {
  if (error == 0) error = code != 0 ? code : EIO;
}

bool NativeSafeSave::Write(const char* data, size_t size) {
  if (!stream || error != 0) return false;
  errno = 0;
  if (std::fwrite(data, 1, size, stream) != size) Fail(errno);
  return error == 0;
}

bool NativeSafeSave::Commit() {
  if (!stream) return false;
  errno = 0;
  if (error == 0 && (std::fflush(stream) != 0 || std::ferror(stream))) Fail(errno);
  if (error == 0 && ::fsync(::fileno(stream)) != 0) Fail(errno);
  errno = 0;
  if (std::fclose(stream) != 0) Fail(errno);
  stream = nullptr;
  if (!temporary.empty()) {
    if (error == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) Fail(errno);
    if (error != 0)
      ::unlink(temporary.c_str());
    else
      SyncFolder(FolderOf(target));
    temporary.clear();
  }
  return error == 0;
}

std::string NativeErrorText(int error) {
  switch (error) {
  case ENOSPC:
  case EDQUOT:
    return "Der Datenträger ist voll.";
  case EACCES:
  case EPERM:
    return "Keine Berechtigung für die Datei oder ihren Ordner.";
  case EROFS:
    return "Der Datenträger ist schreibgeschützt.";
  case ENOENT:
  case ENOTDIR:
    return "Der Ordner existiert nicht.";
  case EFBIG:
    return "Die Datei ist zu groß.";
  case EISDIR:
    return "An dieser Stelle steht ein Ordner, keine Datei.";
  default:
    return std::system_category().message(error);
  }
}

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
