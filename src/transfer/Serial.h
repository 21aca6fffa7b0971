#pragma once
// Serial ports over termios, as C-style functions on a native handle (the
// file descriptor), and the stream class Serial over them.
//
// Port names: a name that starts with "/" is used as it is, any other name
// is looked up in the device folder (ttyUSB0 -> /dev/ttyUSB0). "COMx" opens
// the only USB serial port present (ttyUSB*, ttyACM*) and fails with none or
// several.
#include "transfer/Port.h"

#include <string>
#include <termios.h>
#include <utility>
#include <vector>

// A fixed underlying type: callers may pass any number, and one outside the
// enumeration is a defined value that leaves the setting alone.
enum Parity : int { ParityNone = 0, ParityEven = 1, ParityOdd = 2 };
enum StopBits : int { StopBitsOne = 0, StopBitsOnePointFive = 1, StopBitsTwo = 2 };

bool NativeSerialOpen(void** handle, std::string name, int baudRate, int dataBits, Parity parity, StopBits stopBits);
void NativeSerialClose(void** handle);
// Received bytes waiting; 0 when the query fails.
int NativeSerialGetAvailableBytes(void* handle);
// Reads at most count bytes without waiting; the number read or -1.
int NativeSerialReceiveBytes(void* handle, void* buffer, unsigned count);
bool NativeSerialSend(void* handle, void* data, unsigned count);
bool NativeSerialReceiveByte(void* handle, char& byte);
bool NativeSerialSend(void* handle, char byte);
// Puts the line settings into a terminal setting for raw binary transfer;
// false when the baud rate or the data bits cannot be set. A parity or
// stop-bits value outside its enumeration leaves that setting as it was.
bool NativeSerialLineSettings(termios& settings, int baudRate, int dataBits, Parity parity, StopBits stopBits);
// Waits at most the given time until a byte can be read; true when one can.
bool NativeSerialWaitReadable(void* handle, unsigned milliseconds);

// The board's reset lines. A device without modem lines (a pseudo-terminal)
// fails these calls.
enum SerialModemLine { SerialLineRts, SerialLineDtr };
bool NativeSerialSetModemLine(void* handle, SerialModemLine line, bool active);

// (display name, path to open) of every USB serial port present.
std::vector<std::pair<std::string, std::string>> NativeSerialEnumerate();

// Where device files and the tty class of sysfs are looked up; tests point
// these at folders of their own. Empty strings restore /dev and /sys/class/tty.
void NativeSerialSetRoots(const std::string& deviceRoot, const std::string& ttyClassRoot);

class Serial : public Port {
public:
  void* handle = NativeInvalidHandle;

  Serial() = default;
  Serial(const Serial&) = delete;
  Serial& operator=(const Serial&) = delete;
  ~Serial() override { NativeSerialClose(&handle); }

  bool IsOpen() override { return handle != NativeInvalidHandle; }
  bool CanRead() override { return NativeSerialGetAvailableBytes(handle) > 0; }
  int ReceiveBytes(void* buffer, unsigned count) override { return NativeSerialReceiveBytes(handle, buffer, count); }
  bool Send(void* data, unsigned count) override { return NativeSerialSend(handle, data, count); }
  bool WaitCanRead(unsigned milliseconds) override {
    return NativeSerialWaitReadable(handle, milliseconds) && CanRead();
  }
};
