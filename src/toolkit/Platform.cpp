#include "toolkit/Platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
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
// The longest process id ("~" + ten digits) and the marks around the stem.
constexpr size_t TemporaryMarks = 1 + 1 + 10 + 4;

// The part of a temporary name taken from the file's name: the name itself,
// or, where that would make the temporary name longer than the folder
// allows, its start (never cut inside a UTF-8 character) and a hash of the
// whole name, so that two long names rarely share leftovers.
std::string TemporaryStem(const std::string& folder, const std::string& name) {
  long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (limit <= 0) limit = NAME_MAX;
  const size_t room = size_t(limit) > TemporaryMarks + 16 ? size_t(limit) - TemporaryMarks : 16;
  if (name.size() <= room) return name;
  uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  char hashText[10];
  std::snprintf(hashText, sizeof hashText, "#%08x", hash);
  size_t cut = room - (sizeof hashText - 1);
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut) + hashText;
}

std::string TemporaryName(const std::string& stem, pid_t pid) {
  return "." + stem + "~" + std::to_string(pid) + TemporaryEnd;
}

void RemoveLeftovers(const std::string& folder, const std::string& stem) {
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return;
  const std::string start = "." + stem + "~";
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

// Writes all bytes at the offset; the errno of the failure, 0 on success.
int WriteAllAt(int fd, const char* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t written = ::pwrite(fd, data, size, at);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : EIO;
    data += written;
    size -= size_t(written);
    at += written;
  }
  return 0;
}

// The whole file; the errno of the failure, 0 on success, EFBIG when it
// holds more than `most` bytes.
int ReadAll(int fd, std::string& bytes, size_t most = SIZE_MAX) {
  char chunk[1 << 16];
  for (off_t at = 0;;) {
    ssize_t got = ::pread(fd, chunk, sizeof chunk, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    bytes.append(chunk, size_t(got));
    if (bytes.size() > most) return EFBIG;
    at += got;
  }
}

// Gives the new file the old one's owner, group and mode; false when the
// owner or group cannot be kept.
bool TakeOver(int fd, const struct stat& old) {
  struct stat now;
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0) return false;
  // After the owner: a change of owner may clear the set-id bits.
  return ::fchmod(fd, old.st_mode & 07777) == 0;
}

}  // namespace

int NativeOpenRegularFile(const std::string& path, int& error) {
  // Looked at before it is opened: opening a device may already do something.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    error = errno;
    return -1;
  }
  if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : NativeNotRegularFile;
    return -1;
  }
  // Non-blocking, as it may have been swapped for a pipe meanwhile.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = NativeNotRegularFile;
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool NativeReadRegularFile(const std::string& path, std::string& content, size_t most, int& error) {
  int fd = NativeOpenRegularFile(path, error);
  if (fd < 0) return false;
  error = ReadAll(fd, content, most);
  ::close(fd);
  return error == 0;
}

NativeSafeSave::NativeSafeSave(const std::string& path) : target(FollowLinks(path)) {
  // A file-size limit must fail the write, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);

  struct stat old;
  exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno == ELOOP) {
    Fail(ELOOP);
    return;
  }
  if (exists) {
    if (S_ISDIR(old.st_mode)) {
      Fail(EISDIR);
      return;
    }
    if (!S_ISREG(old.st_mode)) {
      Fail(NativeNotRegularFile);
      return;
    }
    // Read-only is read-only for root too, whom the kernel lets write anything.
    if ((old.st_mode & 0222) == 0) {
      Fail(EACCES);
      return;
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      Fail(errno);
      return;
    }
  }
  std::string folder = FolderOf(target);
  std::string stem = TemporaryStem(folder, NameOf(target));
  RemoveLeftovers(folder, stem);

  temporary = folder + "/" + TemporaryName(stem, ::getpid());
  fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
  bool inPlace = false;
  if (fd < 0) {
    int cause = errno;
    temporary.clear();
    // A folder closed to new files around a file open to writing.
    inPlace = exists && (cause == EACCES || cause == EPERM);
    if (!inPlace) {
      Fail(cause);
      return;
    }
  } else if (exists && !TakeOver(fd, old)) {
    // A file shared with others stays theirs: it is written in place.
    CloseFile();
    inPlace = true;
  }
  if (inPlace && !OpenInPlace()) return;

  stream = ::open_memstream(&content, &contentSize);
  if (!stream) {
    Fail(errno);
    CloseFile();
  }
}

NativeSafeSave::~NativeSafeSave() {
  if (stream) std::fclose(stream);
  std::free(content);
  CloseFile();
}

void NativeSafeSave::CloseFile() {
  if (fd >= 0) ::close(fd);
  fd = -1;
  if (!temporary.empty()) ::unlink(temporary.c_str());
  temporary.clear();
}

bool NativeSafeSave::OpenInPlace() {
  fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    // Also a file that may be written but not read: its old bytes could not go back.
    Fail(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Fail(NativeNotRegularFile);
    CloseFile();
    return false;
  }
  return true;
}

void NativeSafeSave::Fail(int code) {
  if (error == 0) error = code != 0 ? code : EIO;
}

bool NativeSafeSave::Write(const char* data, size_t size) {
  if (!stream || error != 0) return false;
  errno = 0;
  if (std::fwrite(data, 1, size, stream) != size) Fail(errno ? errno : ENOMEM);
  return error == 0;
}

bool NativeSafeSave::Commit() {
  if (!stream) return false;
  errno = 0;
  if (std::fclose(stream) != 0) Fail(errno ? errno : ENOMEM);
  stream = nullptr;
  if (error == 0) {
    if (!temporary.empty())
      CommitThroughTemporary(content, contentSize);
    else
      CommitInPlace(content, contentSize);
  }
  CloseFile();
  std::free(content);
  content = nullptr;
  contentSize = 0;
  return error == 0;
}

void NativeSafeSave::CommitThroughTemporary(const char* data, size_t size) {
  int cause = WriteAllAt(fd, data, size, 0);
  if (cause == 0 && ::fsync(fd) != 0) cause = errno;
  if (::close(fd) != 0 && cause == 0) cause = errno;
  fd = -1;
  if (cause != 0) {
    Fail(cause);
    return;
  }
  if (std::rename(temporary.c_str(), target.c_str()) == 0) {
    temporary.clear();
    SyncFolder(FolderOf(target));
    return;
  }
  cause = errno;
  ::unlink(temporary.c_str());
  temporary.clear();
  // A sticky folder refuses to replace another user's file that anyone may write.
  if (exists && (cause == EPERM || cause == EACCES)) {
    if (OpenInPlace()) CommitInPlace(data, size);
    return;
  }
  Fail(cause);
}

void NativeSafeSave::CommitInPlace(const char* data, size_t size) {
  std::string old;
  if (int cause = ReadAll(fd, old)) {
    Fail(cause);
    return;
  }
  const size_t oldSize = old.size();
  // The growth first, behind the old bytes: when there is no room for it
  // (full disk, file-size limit), nothing of the old file was touched yet.
  if (size > oldSize) {
    if (int cause = WriteAllAt(fd, data + oldSize, size - oldSize, off_t(oldSize))) {
      Fail(cause);
      (void)::ftruncate(fd, off_t(oldSize));
      return;
    }
  }
  int cause = WriteAllAt(fd, data, std::min(size, oldSize), 0);
  if (cause == 0 && size < oldSize && ::ftruncate(fd, off_t(size)) != 0) cause = errno;
  if (cause == 0 && ::fsync(fd) != 0) cause = errno;
  if (cause == 0) return;
  Fail(cause);
  // The old bytes go back, as far as the disk still lets them.
  if (WriteAllAt(fd, old.data(), oldSize, 0) == 0 && ::ftruncate(fd, off_t(oldSize)) == 0) ::fsync(fd);
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
  case EOVERFLOW:
    return "Die Datei ist zu groß.";
  case EISDIR:
    return "An dieser Stelle steht ein Ordner, keine Datei.";
  case NativeNotRegularFile:
    return "An dieser Stelle steht keine gewöhnliche Datei, sondern ein Gerät, eine Pipe oder ein Socket.";
  case ELOOP:
    return "Der Pfad enthält zu viele oder im Kreis laufende Verknüpfungen.";
  case ENAMETOOLONG:
    return "Der Dateiname oder der Pfad ist zu lang.";
  case EIO:
    return "Der Datenträger meldet einen Lese- oder Schreibfehler.";
  case EINVAL:
    return "Der Dateiname oder der Vorgang ist auf diesem Datenträger nicht erlaubt.";
  case EOPNOTSUPP:
  case ENOSYS:
    return "Der Datenträger unterstützt diesen Vorgang nicht.";
  case EBUSY:
    return "Die Datei oder der Datenträger wird gerade benutzt.";
  case ETXTBSY:
    return "Die Datei wird gerade als Programm ausgeführt.";
  case EMLINK:
    return "Der Ordner oder die Datei hat zu viele Verknüpfungen.";
  case EXDEV:
    return "Die Datei und ihr Ordner liegen auf verschiedenen Datenträgern.";
  case EMFILE:
  case ENFILE:
    return "Es sind zu viele Dateien gleichzeitig geöffnet.";
  case ENOMEM:
  case ENOBUFS:
    return "Der Arbeitsspeicher reicht nicht aus.";
  case EINTR:
    return "Der Vorgang wurde unterbrochen.";
  case EAGAIN:
  case ENOLCK:
    return "Die Datei ist gerade gesperrt. Versuche es gleich noch einmal.";
  case EEXIST:
  case ENOTEMPTY:
    return "An dieser Stelle steht schon etwas anderes.";
  case ENXIO:
  case ENODEV:
    return "Das Gerät ist nicht vorhanden.";
  case ESTALE:
    return "Die Datei auf dem Netzlaufwerk ist nicht mehr gültig.";
  case EPIPE:
    return "Die Verbindung zum Empfänger ist abgebrochen.";
  case EBADF:
  case EFAULT:
  case ESPIPE:
  case EDESTADDRREQ:
    return "Interner Fehler beim Zugriff auf die Datei.";
  default:
    return "Ein unerwarteter Fehler ist aufgetreten (Fehlernummer " + std::to_string(error) + ").";
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
