// A program that crashes, for the crash-report tests: it installs the real
// crash handler, paints the window, and crashes as argv[1] says. Its handler
// starts it again as the reporter, which answers the reporter's dialogs for
// the test:
// - every message box is printed to standard output as "[caption] text" and
//   confirmed;
// - every window showing the program's icon is printed as "{icon} caption";
// - the save dialog gets the path in CRASH_HELPER_DUMP, and is cancelled when
//   that is unset;
// - with CRASH_HELPER_REPORTER_CRASHES set, the reporter itself crashes.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sys/mman.h>
#include <thread>

#include "editor/CrashReport.h"
#include "editor/Pellburne.h"
#include "editor/ProgramIcon.h"
#include "toolkit/MessageBox.h"

#if defined(__SANITIZE_ADDRESS__)
#define CRASH_HELPER_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CRASH_HELPER_ASAN
#endif
#endif

#ifdef CRASH_HELPER_ASAN
// ASan, not glibc, finds the double free; it ends in abort() as glibc does,
// instead of leaving without a signal for the handler.
extern "C" const char* __asan_default_options() { return "abort_on_error=1"; }
#endif

namespace {

// A store to a page that allows no access: a real segmentation fault. The
// compiler sees only a valid pointer, so no optimisation level removes the
// store, as it may remove one through a null pointer.
void WriteToNoAccessPage() {
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (page == MAP_FAILED) raise(SIGSEGV);
  *static_cast<volatile int*>(page) = 1;
}

// glibc finds the chunk already free while it holds the arena lock, and
// aborts inside free(). Too big for the thread cache, so it reaches the arena,
// and glibc locks the arena only once the process has had a second thread.
void FreeTwice() {
  std::thread([] {}).join();
  void* volatile chunk = std::malloc(4000);
  void* volatile behind = std::malloc(4000);
  (void)behind;
  std::free(chunk);
  std::free(chunk);
}

// An ASan process reserves terabytes for its shadow and its allocator, and
// gdb would write tens of gigabytes of them into the dump: under ASan the
// dump keeps only the ELF headers, which is all the tests look at.
void KeepDumpsSmallUnderAsan() {
#ifdef CRASH_HELPER_ASAN
  if (FILE* filter = std::fopen("/proc/self/coredump_filter", "w")) {
    std::fputs("0x10", filter);
    std::fclose(filter);
  }
#endif
}

// Answers each modal dialog of the reporter once.
class Answerer {
public:
  Answerer() {
    QObject::connect(&poll, &QTimer::timeout, [this] { Poll(); });
    poll.start(10);
  }

private:
  void Poll() {
    QWidget* front = QApplication::activeModalWidget();
    if (!front || front == handled.data()) return;
    handled = front;
    if (front->windowIcon().pixmap(32).toImage() == ProgramIcon().pixmap(32).toImage())
      std::printf("{icon} %s\n", front->windowTitle().toUtf8().constData());
    if (auto* box = qobject_cast<QMessageBox*>(front)) {
      std::printf("[%s] %s\n", box->windowTitle().toUtf8().constData(), box->text().toUtf8().constData());
      std::fflush(stdout);
      QTest::keyClick(box, Qt::Key_Return);
    } else if (auto* dialog = qobject_cast<QFileDialog*>(front)) {
      const char* path = std::getenv("CRASH_HELPER_DUMP");
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!path || !name) {
        dialog->reject();
        return;
      }
      name->setText(QString::fromUtf8(path));
      QTest::keyClick(name, Qt::Key_Return);
    }
  }

  QTimer poll;
  QPointer<QWidget> handled;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (IsCrashReporterCall(argc, argv)) {
    if (std::getenv("CRASH_HELPER_REPORTER_CRASHES")) WriteToNoAccessPage();
    QApplication application(argc, argv);
    Answerer answerer;
    return CrashReporterMain(argc, argv);
  }
  if (argc != 2) return 2;
  const std::string how = argv[1];
  QApplication application(argc, argv);
  KeepDumpsSmallUnderAsan();
  InstallCrashHandler();
  FrameWindow* frame = InitInstance(true);
  frame->grab();
  if (how == "window") WriteToNoAccessPage();
  if (how == "thread") std::thread(WriteToNoAccessPage).join();
  if (how == "malloc") FreeTwice();
  if (how == "terminate") std::terminate();
  if (how == "two-threads") {
    std::thread first(WriteToNoAccessPage), second(WriteToNoAccessPage);
    first.join();
    second.join();
  }
  return 2;
}
