#include "transfer/Serial.h"

#include "Pty.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <termios.h>

namespace fs = std::filesystem;

namespace {

// Restores the real device folders after a test that moved them.
struct Roots {
  Roots(const fs::path& dev, const fs::path& tty) { NativeSerialSetRoots(dev.string(), tty.string()); }
  ~Roots() { NativeSerialSetRoots("", ""); }
};

termios MasterSettings(const PseudoTerminal& pty) {
  termios tio{};
  EXPECT_EQ(tcgetattr(pty.Master(), &tio), 0);
  return tio;
}

// A pseudo-terminal keeps the speed, the stop bits and the parity sense but
// always reports eight data bits without a parity bit; what it cannot show
// is checked on the settings themselves below.
TEST(SerialPty, OtherEndSeesTheRequestedLineSettings) {
  PseudoTerminal pty;
  {
    Serial serial;
    ASSERT_TRUE(NativeSerialOpen(&serial.handle, pty.SlavePath(), 19200, 8, ParityNone, StopBitsOne));
    termios tio = MasterSettings(pty);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(cfgetispeed(&tio), B19200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | PARODD));
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    // Binary data passes unchanged: no line editing, echo or XON/XOFF.
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(tio.c_iflag & (IXON | ICRNL));
    EXPECT_FALSE(tio.c_oflag & OPOST);
  }
  {
    Serial serial;
    ASSERT_TRUE(NativeSerialOpen(&serial.handle, pty.SlavePath(), 115200, 8, ParityOdd, StopBitsTwo));
    termios tio = MasterSettings(pty);
    EXPECT_EQ(cfgetospeed(&tio), B115200);
    EXPECT_TRUE(tio.c_cflag & PARODD);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
  }
}

TEST(SerialSettings, DataBitsParityAndStopBitsMapToTheTerminalFlags) {
  struct Case {
    int bits;
    Parity parity;
    StopBits stop;
    tcflag_t size, parityFlags;
    bool twoStop;
  } cases[] = {
      {8, ParityNone, StopBitsOne, CS8, 0, false},
      {7, ParityEven, StopBitsTwo, CS7, PARENB, true},
      {6, ParityOdd, StopBitsOne, CS6, PARENB | PARODD, false},
      {5, ParityOdd, StopBitsOnePointFive, CS5, PARENB | PARODD, true},
  };
  for (const Case& c : cases) {
    termios tio{};
    tio.c_cflag = CS8 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
    ASSERT_TRUE(NativeSerialLineSettings(tio, 2400, c.bits, c.parity, c.stop));
    EXPECT_EQ(tio.c_cflag & CSIZE, c.size) << c.bits;
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), c.parityFlags) << c.bits;
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop) << c.bits;
    // Hardware flow control and the modem-line behaviour stay as they were.
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_TRUE(tio.c_cflag & HUPCL);
    EXPECT_EQ(cfgetospeed(&tio), B2400);
  }
  termios tio{};
  EXPECT_FALSE(NativeSerialLineSettings(tio, 2400, 4, ParityNone, StopBitsOne));
  EXPECT_FALSE(NativeSerialLineSettings(tio, 31250, 8, ParityNone, StopBitsOne));
}

TEST(SerialPty, ParityOrStopBitsOutsideTheEnumerationKeepTheCurrentSetting) {
  PseudoTerminal pty;
  Serial first;
  ASSERT_TRUE(NativeSerialOpen(&first.handle, pty.SlavePath(), 9600, 8, ParityOdd, StopBitsTwo));
  NativeSerialClose(&first.handle);
  Serial second;
  ASSERT_TRUE(
      NativeSerialOpen(&second.handle, pty.SlavePath(), 9600, 8, static_cast<Parity>(7), static_cast<StopBits>(9)));
  termios tio = MasterSettings(pty);
  EXPECT_TRUE(tio.c_cflag & PARODD);
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  termios settings{};
  settings.c_cflag = PARENB | CSTOPB;
  ASSERT_TRUE(NativeSerialLineSettings(settings, 9600, 8, static_cast<Parity>(3), static_cast<StopBits>(-1)));
  EXPECT_EQ(settings.c_cflag & (PARENB | PARODD | CSTOPB), static_cast<tcflag_t>(PARENB | CSTOPB));
}

TEST(SerialPty, UnsupportedLineSettingsFailAndLeaveNothingOpen) {
  PseudoTerminal pty;
  void* handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, pty.SlavePath(), 12345, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
  EXPECT_FALSE(NativeSerialOpen(&handle, pty.SlavePath(), 9600, 9, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
  // The failed opens released the port: it can be opened again.
  Serial serial;
  EXPECT_TRUE(NativeSerialOpen(&serial.handle, pty.SlavePath(), 9600, 8, ParityNone, StopBitsOne));
}

TEST(SerialPty, WaitingBytesAreCountedAndReadWithoutWaiting) {
  PseudoTerminal pty;
  Serial serial;
  ASSERT_TRUE(NativeSerialOpen(&serial.handle, pty.SlavePath(), 115200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(NativeSerialGetAvailableBytes(serial.handle), 0);
  EXPECT_FALSE(serial.CanRead());
  unsigned char buffer[16] = {};
  EXPECT_EQ(NativeSerialReceiveBytes(serial.handle, buffer, sizeof buffer), 0);  // nothing waits: no wait
  EXPECT_FALSE(serial.WaitCanRead(20));

  const unsigned char sent[] = {0x00, 0x11, 0x13, 0x0D, 0x0A, 0xFF, 0x7B};
  ASSERT_TRUE(pty.Write(sent, sizeof sent));
  ASSERT_TRUE(serial.WaitCanRead(5000));
  // The bytes arrive on the line discipline's own time; wait until all seven are there.
  for (int i = 0; i < 500 && NativeSerialGetAvailableBytes(serial.handle) < 7; ++i) serial.WaitCanRead(10);
  EXPECT_EQ(NativeSerialGetAvailableBytes(serial.handle), 7);
  EXPECT_EQ(NativeSerialReceiveBytes(serial.handle, buffer, 3), 3);
  EXPECT_EQ(NativeSerialGetAvailableBytes(serial.handle), 4);
  EXPECT_EQ(serial.ReceiveBytes(buffer + 3, 16), 4);
  EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 7), std::vector<unsigned char>(sent, sent + 7));
  EXPECT_EQ(NativeSerialGetAvailableBytes(serial.handle), 0);

  char one = 'x';
  ASSERT_TRUE(pty.Write("Q", 1));
  ASSERT_TRUE(serial.WaitCanRead(5000));
  EXPECT_TRUE(NativeSerialReceiveByte(serial.handle, one));
  EXPECT_EQ(one, 'Q');

  // Sending: both forms reach the other end unchanged.
  unsigned char out[] = {0x0A, 0x00, 0x13, 0x20};
  EXPECT_TRUE(serial.Send(out, sizeof out));
  EXPECT_TRUE(NativeSerialSend(serial.handle, static_cast<char>(0x0D)));
  std::vector<uint8_t> received;
  for (int i = 0; i < 50 && received.size() < 5; ++i) {
    auto more = pty.Read(100);
    received.insert(received.end(), more.begin(), more.end());
  }
  EXPECT_EQ(received, (std::vector<uint8_t>{0x0A, 0x00, 0x13, 0x20, 0x0D}));
}

TEST(SerialPty, ModemLinesOfAPseudoTerminalFail) {
  PseudoTerminal pty;
  Serial serial;
  ASSERT_TRUE(NativeSerialOpen(&serial.handle, pty.SlavePath(), 115200, 8, ParityNone, StopBitsOne));
  EXPECT_FALSE(NativeSerialSetModemLine(serial.handle, SerialLineRts, false));
  EXPECT_FALSE(NativeSerialSetModemLine(serial.handle, SerialLineDtr, true));
}

TEST(SerialNames, MissingDeviceOrNonTerminalFailsWithTheHandleInvalid) {
  TempFolder dir;
  Roots roots(dir.path, dir.path / "tty");
  std::ofstream(dir.path / "plainfile") << "x";
  void* handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, "ttyUSB9", 115200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
  handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, "plainfile", 115200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
  handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, "", 115200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
  Serial serial;
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_FALSE(serial.CanRead());
  EXPECT_EQ(serial.ReceiveBytes(&handle, 1), -1);
  EXPECT_FALSE(serial.Send(&handle, 1));
}

TEST(SerialNames, RelativeNamesAreLookedUpInTheDeviceFolderAbsoluteOnesUsedAsTheyAre) {
  PseudoTerminal pty;
  TempFolder dir;
  fs::create_symlink(pty.SlavePath(), dir.path / "ttyUSB3");
  Roots roots(dir.path, dir.path / "tty");
  {
    Serial serial;
    ASSERT_TRUE(NativeSerialOpen(&serial.handle, "ttyUSB3", 19200, 8, ParityNone, StopBitsOne));
    unsigned char b = 0x42;
    EXPECT_TRUE(serial.Send(&b, 1));
    EXPECT_EQ(pty.Read(2000), std::vector<uint8_t>{0x42});
  }
  {
    Serial serial;
    EXPECT_TRUE(NativeSerialOpen(&serial.handle, pty.SlavePath(), 19200, 8, ParityNone, StopBitsOne));
  }
  void* handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, "COM3", 19200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
}

TEST(SerialNames, ComxOpensTheOnlyUsbSerialPortAndFailsWithNoneOrSeveral) {
  PseudoTerminal first, second;
  TempFolder dir;
  fs::path dev = dir.path / "dev", tty = dir.path / "tty", usb = dir.path / "devices" / "usb1";
  fs::create_directories(dev);
  fs::create_directories(tty);
  fs::create_symlink(first.SlavePath(), dev / "ttyUSB0");
  fs::create_symlink(second.SlavePath(), dev / "ttyACM1");
  Roots roots(dev, tty);
  // Ports that are not USB serial ports, or have no device, never count.
  fs::create_directories(tty / "ttyS0" / "device");
  fs::create_directories(tty / "ttyUSB5");

  void* handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, "COMx", 115200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
  EXPECT_TRUE(NativeSerialEnumerate().empty());

  // One USB serial adapter, its product name two levels above the tty.
  fs::create_directories(usb / "1-1:1.0" / "ttyUSB0");
  std::ofstream(usb / "product") << "FT232R USB UART\n";
  fs::create_directories(tty / "ttyUSB0");
  fs::create_directory_symlink(usb / "1-1:1.0" / "ttyUSB0", tty / "ttyUSB0" / "device");
  auto ports = NativeSerialEnumerate();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].first, "FT232R USB UART");
  EXPECT_EQ(ports[0].second, (dev / "ttyUSB0").string());
  {
    Serial serial;
    ASSERT_TRUE(NativeSerialOpen(&serial.handle, "COMx", 115200, 8, ParityNone, StopBitsOne));
    unsigned char b = 0x30;
    serial.Send(&b, 1);
    EXPECT_EQ(first.Read(2000), std::vector<uint8_t>{0x30});
  }

  // A second one, without a product name: the shortcut no longer picks one.
  fs::create_directories(tty / "ttyACM1" / "device");
  ports = NativeSerialEnumerate();
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].first, "(unknown port)");
  EXPECT_EQ(ports[0].second, (dev / "ttyACM1").string());
  handle = nullptr;
  EXPECT_FALSE(NativeSerialOpen(&handle, "COMx", 115200, 8, ParityNone, StopBitsOne));
  EXPECT_EQ(handle, NativeInvalidHandle);
}

}  // namespace
