#include "transfer/Serial.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string deviceRoot = "/dev";
std::string ttyClassRoot = "/sys/class/tty";

int Fd(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }
void* Handle(int fd) { return reinterpret_cast<void*>(static_cast<intptr_t>(fd)); }

bool BaudConstant(int baudRate, speed_t& speed) {
  static const std::pair<int, speed_t> table[] = {
      {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
      {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
      {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
      {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
      {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000}};
  for (auto& [rate, constant] : table)
    if (rate == baudRate) {
      speed = constant;
      return true;
    }
  return false;
}

bool DataBitsFlag(int dataBits, tcflag_t& flag) {
  switch (dataBits) {
  case 5:
    flag = CS5;
    return true;
  case 6:
    flag = CS6;
    return true;
  case 7:
    flag = CS7;
    return true;
  case 8:
    flag = CS8;
    return true;
  default:
    return false;
  }
}

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  return line;
}

// The USB product string of a tty: it sits in the USB device folder, one to
// three levels above the tty's device link.
std::string ProductName(const std::string& entry) {
  char resolved[PATH_MAX];
  if (!realpath((entry + "/device").c_str(), resolved)) return {};
  std::string dir = resolved;
  for (int level = 0; level < 4 && dir.size() > 1; ++level) {
    std::string product = ReadFirstLine(dir + "/product");
    if (!product.empty()) return product;
    dir = dir.substr(0, dir.find_last_of('/'));
  }
  return {};
}

bool ApplyLineSettings(int fd, int baudRate, int dataBits, Parity parity, StopBits stopBits) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  if (!NativeSerialLineSettings(tio, baudRate, dataBits, parity, stopBits)) return false;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

// Raw binary transfer at the requested line settings. Hardware flow
// control and the modem lines stay as they are; software flow control and
// every character translation go, since they would eat or change bytes of
// a binary image.
bool NativeSerialLineSettings(termios& tio, int baudRate, int dataBits, Parity parity, StopBits stopBits) {
  speed_t speed;
  tcflag_t size;
  if (!BaudConstant(baudRate, speed) || !DataBitsFlag(dataBits, size)) return false;
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag = (tio.c_cflag & ~CSIZE) | size | CREAD | CLOCAL;
  switch (parity) {
  case ParityNone:
    tio.c_cflag &= ~(PARENB | PARODD);
    break;
  case ParityEven:
    tio.c_cflag = (tio.c_cflag | PARENB) & ~PARODD;
    break;
  case ParityOdd:
    tio.c_cflag |= PARENB | PARODD;
    break;
  }
  switch (stopBits) {
  case StopBitsOne:
    tio.c_cflag &= ~CSTOPB;
    break;
  // With five data bits the UART sends one and a half stop bits for CSTOPB.
  case StopBitsOnePointFive:
  case StopBitsTwo:
    tio.c_cflag |= CSTOPB;
    break;
  }
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0;
}

void NativeSerialSetRoots(const std::string& devices, const std::string& ttyClass) {
  deviceRoot = devices.empty() ? "/dev" : devices;
  ttyClassRoot = ttyClass.empty() ? "/sys/class/tty" : ttyClass;
}

std::vector<std::pair<std::string, std::string>> NativeSerialEnumerate() {
  std::vector<std::pair<std::string, std::string>> ports;
  DIR* dir = opendir(ttyClassRoot.c_str());
  if (!dir) return ports;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string entry = ttyClassRoot + "/" + name;
    struct stat st;
    if (stat((entry + "/device").c_str(), &st) != 0) continue;  // not a device
    std::string display = ProductName(entry);
    if (display.empty()) display = "(unknown port)";
    ports.emplace_back(display, deviceRoot + "/" + name);
  }
  return ports;
}

bool NativeSerialOpen(void** handle, std::string name, int baudRate, int dataBits, Parity parity, StopBits stopBits) {
  if (name == "COMx") {
    auto ports = NativeSerialEnumerate();
    if (ports.size() == 1) name = ports[0].second;
  }
  *handle = NativeInvalidHandle;
  if (name.empty()) return false;
  std::string path = name[0] == '/' ? name : deviceRoot + "/" + name;
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  // Not a terminal (a plain file, a folder): no port.
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !isatty(fd)) {
    close(fd);
    return false;
  }
  ioctl(fd, TIOCEXCL);  // one user at a time
  if (!ApplyLineSettings(fd, baudRate, dataBits, parity, stopBits)) {
    close(fd);
    return false;
  }
  *handle = Handle(fd);
  return true;
}

void NativeSerialClose(void** handle) {
  if (*handle != NativeInvalidHandle) close(Fd(*handle));
  *handle = NativeInvalidHandle;
}

int NativeSerialGetAvailableBytes(void* handle) {
  int count = 0;
  if (handle == NativeInvalidHandle || ioctl(Fd(handle), FIONREAD, &count) != 0) return 0;
  return count;
}

int NativeSerialReceiveBytes(void* handle, void* buffer, unsigned count) {
  if (handle == NativeInvalidHandle) return -1;
  if (count == 0) return 0;
  ssize_t n = read(Fd(handle), buffer, count);
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
  return static_cast<int>(n);
}

bool NativeSerialSend(void* handle, void* data, unsigned count) {
  if (handle == NativeInvalidHandle) return false;
  const char* p = static_cast<const char*>(data);
  int fd = Fd(handle);
  while (count > 0) {
    ssize_t n = write(fd, p, count);
    if (n > 0) {
      p += n;
      count -= static_cast<unsigned>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    // The driver's buffer is full: wait for room, but not for ever.
    pollfd pfd{fd, POLLOUT, 0};
    if (poll(&pfd, 1, 2000) <= 0 || (pfd.revents & (POLLERR | POLLNVAL))) return false;
  }
  return true;
}

bool NativeSerialReceiveByte(void* handle, char& byte) { return NativeSerialReceiveBytes(handle, &byte, 1) == 1; }

bool NativeSerialSend(void* handle, char byte) { return NativeSerialSend(handle, &byte, 1); }

bool NativeSerialWaitReadable(void* handle, unsigned milliseconds) {
  if (handle == NativeInvalidHandle) return false;
  pollfd pfd{Fd(handle), POLLIN, 0};
  int timeout = milliseconds > INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
  int r;
  do r = poll(&pfd, 1, timeout);
  while (r < 0 && errno == EINTR);
  return r > 0 && (pfd.revents & POLLIN);
}

bool NativeSerialSetModemLine(void* handle, SerialModemLine line, bool active) {
  if (handle == NativeInvalidHandle) return false;
  int bits = line == SerialLineRts ? TIOCM_RTS : TIOCM_DTR;
  return ioctl(Fd(handle), active ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}
