#include "editor/CrashReport.h"

#include <QApplication>
#include <QImage>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "editor/Pellburne.h"
#include "editor/ProgramIcon.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowServices.h"

extern char** environ;

namespace {

const char* const CrashCaption = "Guru Meditation";
const char* const CrashText =
    "The application crashed :(\n\nPellburne will save a dump and a screenshot if\nyou enter a filename in the next "
    "dialog!";
// The hidden argument that makes the program the reporter of a crashed
// process: followed by the process id and the descriptor of the screenshot.
const char* const ReporterArgument = "--pellburne-crash-report";
const int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// For a stack overflow on the UI thread; the handler itself needs little.
constexpr size_t AlternateStackSize = 256 * 1024;
// The crashed process ends after this long even when the reporter does not:
// time enough for the user to answer the box and the dialog.
constexpr unsigned WatchdogSeconds = 600;
// gdb gets this long for the dump.
constexpr int DumpSeconds = 120;

// Made by InstallCrashHandler, so that the handler allocates nothing.
int screenshotFile = -1;
posix_spawnattr_t reporterAttributes;
char executablePath[PATH_MAX];
// The thread that reports; 0 before any crash.
std::atomic<pid_t> reportingThread{0};

int ParkSignal() { return SIGRTMIN + 6; }

// --- Async-signal-safe pieces -------------------------------------------------------

bool WriteAll(int fd, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = write(fd, at, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += written;
    size -= size_t(written);
  }
  return true;
}

void Put16(unsigned char* at, uint16_t value) {
  at[0] = value & 0xFF;
  at[1] = value >> 8;
}

void Put32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = (value >> (8 * i)) & 0xFF;
}

// Writes 32-bit pixels (rows top-down, 0xAARRGGBB) as a bottom-up BMP without
// allocating: the crash handler uses it.
bool WriteBmp(int fd, const unsigned char* bits, uint32_t width, uint32_t height, size_t bytesPerLine) {
  const uint32_t fileHeaderSize = 14, headerSize = 40;
  const uint32_t imageSize = ((width * 32 + 31) & ~31u) / 8 * height;
  unsigned char header[fileHeaderSize + headerSize] = {'B', 'M'};
  Put32(header + 2, fileHeaderSize + headerSize + imageSize);
  Put32(header + 10, fileHeaderSize + headerSize);  // pixel offset; reserved words stay 0
  Put32(header + 14, headerSize);
  Put32(header + 18, width);
  Put32(header + 22, height);     // positive: rows bottom-up
  Put16(header + 26, 1);          // planes
  Put16(header + 28, 32);         // bits per pixel
  Put32(header + 34, imageSize);  // no compression, no palette: the rest stays 0
  if (!WriteAll(fd, header, sizeof header)) return false;
  unsigned char chunk[4096];
  for (uint32_t y = height; y-- > 0;) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(bits + y * bytesPerLine);
    for (uint32_t x = 0; x < width;) {
      size_t size = 0;
      for (; x < width && size < sizeof chunk; ++x, size += 4) {
        chunk[size] = row[x] & 0xFF;
        chunk[size + 1] = (row[x] >> 8) & 0xFF;
        chunk[size + 2] = (row[x] >> 16) & 0xFF;
        chunk[size + 3] = 0;
      }
      if (!WriteAll(fd, chunk, size)) return false;
    }
  }
  return true;
}

void FormatNumber(long value, char (&text)[24]) {
  char digits[24];
  int count = 0;
  unsigned long rest = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  do {
    digits[count++] = char('0' + rest % 10);
    rest /= 10;
  } while (rest);
  int at = 0;
  if (value < 0) text[at++] = '-';
  while (count) text[at++] = digits[--count];
  text[at] = '\0';
}

void Park(int) {
  for (;;) pause();
}

// Stops every other thread in a signal handler of its own, so that nothing
// changes the picture or the program's state while the report is made.
void ParkOtherThreads(pid_t self) {
  struct sigaction park {};
  park.sa_handler = Park;
  sigemptyset(&park.sa_mask);
  sigaction(ParkSignal(), &park, nullptr);
  int tasks = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (tasks < 0) return;
  alignas(8) char buffer[4096];
  ssize_t size;
  while ((size = getdents64(tasks, buffer, sizeof buffer)) > 0) {
    for (ssize_t at = 0; at < size;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += entry->d_reclen;
      pid_t thread = 0;
      for (const char* c = entry->d_name; *c >= '0' && *c <= '9'; ++c) thread = thread * 10 + (*c - '0');
      if (thread > 0 && thread != self) tgkill(getpid(), thread, ParkSignal());
    }
  }
  close(tasks);
}

// The back buffer as a BMP into the memory file; the file stays empty when
// there is no picture.
void WriteScreenshot() {
  if (screenshotFile < 0 || ftruncate(screenshotFile, 0) != 0 || lseek(screenshotFile, 0, SEEK_SET) != 0) return;
  // Reading the image allocates nothing, and the painting thread is parked.
  const QImage& picture = FrameWindow::BackBuffer();
  QImage::Format format = picture.format();
  if (picture.isNull() || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
                           format != QImage::Format_ARGB32_Premultiplied))
    return;
  if (!WriteBmp(screenshotFile, picture.constBits(), uint32_t(picture.width()), uint32_t(picture.height()),
                size_t(picture.bytesPerLine())))
    ftruncate(screenshotFile, 0);
}

pid_t StartReporter() {
  char processText[24], screenshotText[24];
  FormatNumber(getpid(), processText);
  FormatNumber(screenshotFile, screenshotText);
  // The reporter reads the screenshot from the memory file.
  if (screenshotFile >= 0) fcntl(screenshotFile, F_SETFD, 0);
  char* arguments[] = {executablePath, const_cast<char*>(ReporterArgument), processText, screenshotText, nullptr};
  // posix_spawn runs no at-fork handlers, which would take the malloc locks.
  // /proc/self/exe still runs the program when its file has been replaced.
  pid_t reporter = -1;
  if (posix_spawn(&reporter, "/proc/self/exe", nullptr, &reporterAttributes, arguments, environ) == 0) return reporter;
  if (executablePath[0] &&
      posix_spawn(&reporter, executablePath, nullptr, &reporterAttributes, arguments, environ) == 0)
    return reporter;
  return -1;
}

void OnWatchdog(int) { _exit(1); }

void OnFatalSignal(int) { HandleCrash(); }

// --- Reporter ---------------------------------------------------------------------------

// Copies the screenshot from the crashed process's memory file; nothing when
// it is empty.
void CopyScreenshot(int from, const std::string& path) {
  struct stat info {};
  if (fstat(from, &info) != 0 || info.st_size <= 0) return;
  int to = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (to < 0) return;
  std::vector<char> buffer(1 << 16);
  off_t offset = 0;
  ssize_t size;
  while ((size = pread(from, buffer.data(), buffer.size(), offset)) > 0 && WriteAll(to, buffer.data(), size_t(size)))
    offset += size;
  close(to);
}

// Waits for a child at most the given time, then kills it; true when it
// ended with exit code 0.
bool WaitSucceeded(pid_t child, int seconds) {
  int status = 0;
  for (int waited = 0;; waited += 20) {
    pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (ended < 0 && errno != EINTR) return false;
    if (waited >= seconds * 1000) break;
    usleep(20 * 1000);
  }
  kill(child, SIGKILL);
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
  return false;
}

}  // namespace

void InstallCrashHandler() {
  if (screenshotFile < 0) {
    screenshotFile = memfd_create("pellburne-screenshot", MFD_CLOEXEC);
    if (screenshotFile < 0) {
      const char* folder = std::getenv("TMPDIR");
      screenshotFile = open(folder && *folder ? folder : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    }
  }
  ssize_t length = readlink("/proc/self/exe", executablePath, sizeof executablePath - 1);
  executablePath[length > 0 ? length : 0] = '\0';
  // The reporter starts with no signal blocked, whichever thread crashed.
  posix_spawnattr_init(&reporterAttributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&reporterAttributes, &none);
  posix_spawnattr_setflags(&reporterAttributes, POSIX_SPAWN_SETSIGMASK);

  static char stack[AlternateStackSize];
  stack_t alternate{};
  alternate.ss_sp = stack;
  alternate.ss_size = sizeof stack;
  sigaltstack(&alternate, nullptr);
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  // Not deferred: a crash inside the handler reaches it again, and it ends
  // the process.
  action.sa_flags = SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal : FatalSignals) sigaction(signal, &action, nullptr);
  std::set_terminate(HandleCrash);
}

void HandleCrash() {
  const pid_t self = gettid();
  pid_t reporting = 0;
  if (!reportingThread.compare_exchange_strong(reporting, self)) {
    // A crash inside the handler ends the process at once; another thread
    // waits for the report under way, which ends the process.
    if (reporting == self) _exit(1);
    Park(0);
  }
  struct sigaction watchdog {};
  watchdog.sa_handler = OnWatchdog;
  sigemptyset(&watchdog.sa_mask);
  sigaction(SIGALRM, &watchdog, nullptr);
  sigset_t alarmSignal;
  sigemptyset(&alarmSignal);
  sigaddset(&alarmSignal, SIGALRM);
  pthread_sigmask(SIG_UNBLOCK, &alarmSignal, nullptr);
  alarm(WatchdogSeconds);

  FrameWindow::FreezePicture();
  ParkOtherThreads(self);
  WriteScreenshot();
  // Where tracing is restricted, let our descendants in: the reporter and
  // the gdb it starts.
  prctl(PR_SET_PTRACER, getpid(), 0, 0, 0);
  pid_t reporter = StartReporter();
  if (reporter > 0) {
    while (waitpid(reporter, nullptr, 0) < 0 && errno == EINTR) {}
  }
  _exit(1);
}

bool IsCrashReporterCall(int argc, char** argv) { return argc == 4 && std::strcmp(argv[1], ReporterArgument) == 0; }

int CrashReporterMain(int argc, char** argv) {
  if (!IsCrashReporterCall(argc, argv)) return 1;
  const pid_t crashed = pid_t(std::atol(argv[2]));
  const int screenshot = std::atoi(argv[3]);
  // The report lives only while the crashed process waits for it.
  prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
  if (crashed <= 0 || getppid() != crashed) return 1;
  if (screenshot >= 0) fcntl(screenshot, F_SETFD, FD_CLOEXEC);
  std::unique_ptr<QApplication> application;
  if (!qApp) application = std::make_unique<QApplication>(argc, argv);
  UseGermanQtTexts();
  // The box and the save dialog are the program's windows like any other.
  QApplication::setWindowIcon(ProgramIcon());
  MessageBox::UseQtMessageBoxes();
  MessageBox::Show(CrashText, CrashCaption, MessageBox::Buttons::Ok, MessageBox::Icon::Question);
  std::string path;
  if (!NativeFileDialog(nullptr, "dmp", "Dump-File", path, false)) return 1;
  WriteCoreDump(crashed, path);
  if (screenshot >= 0) CopyScreenshot(screenshot, path + ".bmp");
  return 1;
}

bool WriteCoreDump(pid_t process, const std::string& path) {
  int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (file < 0) return false;
  // gdb writes through its descriptor 3: the path never meets gdb's command
  // parser, which trims blanks, ends at a line break and expands "~".
  std::string processText = std::to_string(process);
  const char* arguments[] = {"gdb",
                             "--batch",
                             "-nx",
                             "-q",
                             "--readnever",
                             "-iex",
                             "set debuginfod enabled off",
                             "-iex",
                             "set auto-solib-add off",
                             "-p",
                             processText.c_str(),
                             "-ex",
                             "gcore /proc/self/fd/3",
                             nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, file, 3);
  pid_t child = -1;
  int started = posix_spawnp(&child, "gdb", &actions, nullptr, const_cast<char* const*>(arguments), environ);
  posix_spawn_file_actions_destroy(&actions);
  struct stat info {};
  bool written = started == 0 && WaitSucceeded(child, DumpSeconds) && fstat(file, &info) == 0 && info.st_size > 0;
  close(file);
  if (!written) unlink(path.c_str());
  return written;
}

bool WriteBmpFile(const std::string& path, const QImage& source) {
  QImage image = source.convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return false;
  int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (file < 0) return false;
  bool written = WriteBmp(file, image.constBits(), uint32_t(image.width()), uint32_t(image.height()),
                          size_t(image.bytesPerLine()));
  return close(file) == 0 && written;
}
