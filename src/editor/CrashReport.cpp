#include "editor/CrashReport.h"

#include <QApplication>
#include <QImage>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "editor/Pellburne.h"
#include "toolkit/MessageBox.h"
#include "toolkit/WindowServices.h"

extern char** environ;

namespace {

const char* const CrashCaption = "Guru Meditation";
const char* const CrashText =
    "The application crashed :(\n\nPellburne will save a dump and a screenshot if\nyou enter a filename in the next dialog!";
const int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// The handler may run on an overflowed stack, and it shows dialogs.
constexpr size_t AlternateStackSize = 4 * 1024 * 1024;

std::atomic<bool> crashing{false};

void OnFatalSignal(int) { HandleCrash(); }

void Put16(std::vector<unsigned char>& out, uint16_t v) {
  out.push_back(v & 0xFF);
  out.push_back(v >> 8);
}

void Put32(std::vector<unsigned char>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back((v >> shift) & 0xFF);
}

}  // namespace

void InstallCrashHandler() {
  static std::vector<char> stack(AlternateStackSize);
  stack_t alternate{};
  alternate.ss_sp = stack.data();
  alternate.ss_size = stack.size();
  sigaltstack(&alternate, nullptr);
  struct sigaction action{};
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : FatalSignals) sigaction(signal, &action, nullptr);
  std::set_terminate(HandleCrash);
}

void HandleCrash() {
  // A crash inside the report ends the process at once.
  if (crashing.exchange(true)) _exit(1);
  // Dialogs can only be shown on the user-interface thread.
  if (!qApp || QThread::currentThread() != qApp->thread()) {
    std::fprintf(stderr, "%s: %s\n", CrashCaption, "The application crashed :(");
    _exit(1);
  }
  // The picture of the moment of the crash is what the screenshot shows.
  FrameWindow::FreezePicture();
  MessageBox::Show(CrashText, CrashCaption, MessageBox::Buttons::Ok, MessageBox::Icon::Question);
  std::string path;
  if (!NativeFileDialog(nullptr, "dmp", "Dump-File", path, false)) _exit(1);
  WriteCoreDump(getpid(), path);
  const QImage& picture = FrameWindow::BackBuffer();
  if (picture.isNull()) _exit(1);
  WriteBmpFile(path + ".bmp", picture);
  _exit(1);
}

bool WriteCoreDump(pid_t process, const std::string& path) {
  // Where attaching is restricted to ancestors, let the debugger in.
  prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
  unlink(path.c_str());
  std::string pid = std::to_string(process);
  std::string command = "gcore " + path;
  std::vector<const char*> arguments = {"gdb", "--batch", "-nx", "-q",
                                        "-iex", "set debuginfod enabled off",
                                        "-iex", "set auto-solib-add off",
                                        "-p", pid.c_str(), "-ex", command.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = -1;
  int started = posix_spawnp(&child, "gdb", &actions, nullptr, const_cast<char* const*>(arguments.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  struct stat info{};
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

bool WriteBmpFile(const std::string& path, const QImage& source) {
  QImage image = source.convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return false;
  const uint32_t width = image.width(), height = image.height();
  const uint32_t rowBytes = ((width * 32 + 31) & ~31u) / 8;
  const uint32_t imageSize = rowBytes * height;
  const uint32_t headerSize = 40, fileHeaderSize = 14;

  std::vector<unsigned char> header;
  header.push_back('B');
  header.push_back('M');
  Put32(header, fileHeaderSize + headerSize + imageSize);
  Put16(header, 0);
  Put16(header, 0);
  Put32(header, fileHeaderSize + headerSize);
  Put32(header, headerSize);
  Put32(header, width);
  Put32(header, height);  // positive: rows bottom-up
  Put16(header, 1);       // planes
  Put16(header, 32);      // bits per pixel
  Put32(header, 0);       // no compression
  Put32(header, imageSize);
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, 0);  // colours used
  Put32(header, 0);  // important colours

  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
  std::vector<unsigned char> row(rowBytes);
  for (int y = int(height) - 1; ok && y >= 0; --y) {
    const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (uint32_t x = 0; x < width; ++x) {
      row[4 * x] = qBlue(pixels[x]);
      row[4 * x + 1] = qGreen(pixels[x]);
      row[4 * x + 2] = qRed(pixels[x]);
      row[4 * x + 3] = 0;
    }
    ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
  }
  ok = std::fclose(file) == 0 && ok;
  return ok;
}
