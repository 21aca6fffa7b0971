#include "Pty.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
  master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) throw std::runtime_error("no pseudo-terminal");
  char name[128];
  if (ptsname_r(master, name, sizeof name) != 0) throw std::runtime_error("no pseudo-terminal name");
  slave = name;
  // A slave end that was never opened does not show as hung up; open and
  // close it once so that SlaveOpen tells the truth from the start.
  int fd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) close(fd);
}

PseudoTerminal::~PseudoTerminal() {
  if (master >= 0) close(master);
}

bool PseudoTerminal::SlaveOpen() const {
  pollfd p{master, POLLIN, 0};
  return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

bool PseudoTerminal::Write(const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = write(master, p, count);
    if (n > 0) {
      p += n;
      count -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd pfd{master, POLLOUT, 0};
    if (poll(&pfd, 1, 1000) <= 0) return false;
  }
  return true;
}

std::vector<uint8_t> PseudoTerminal::Read(int milliseconds) {
  std::vector<uint8_t> bytes;
  pollfd p{master, POLLIN, 0};
  if (poll(&p, 1, milliseconds) <= 0 || !(p.revents & POLLIN)) return bytes;
  uint8_t buffer[4096];
  for (;;) {
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}
