#pragma once
// Upload through the board's own bootloader: '{' greetings, then the image
// as XMODEM blocks with the 8-bit checksum, over the USB HID device (port
// "HID") or a serial port at 19200 baud.
#include "transfer/Port.h"
#include "transfer/Uploader.h"

#include <string>
#include <vector>

class BascomUploader {
public:
  static constexpr unsigned char PaddingChar = 0x1A;
  static constexpr int BlockMaxRetries = 5;
  static constexpr int MaxTries = 60;
  static constexpr int SleepTime = 100;
  static constexpr int Timeout = 6000;

  static constexpr unsigned char Hello = '{';
  static constexpr unsigned char Nak = 0x15;
  static constexpr unsigned char Ack = 0x06;
  static constexpr unsigned char Soh = 0x01;
  static constexpr unsigned char Eot = 0x04;
  static constexpr int VendorId = 0x16C0;
  static constexpr int ProductId = 0x05DC;
  static constexpr int BaudRate = 19200;
  // The most bytes the first greeting reads before it looks at the time
  // again; as many as a serial driver or the USB port hold, so that its
  // first read drops all that waits.
  static constexpr int ReadBatch = 4096;

  // The whole upload; throws UploaderException on failure. cancel and state
  // are the transfer's shared flag and progress state.
  BascomUploader(std::string port, const std::vector<unsigned char>& image, int* cancel, int* state);

private:
  std::string port;
  const std::vector<unsigned char>* image;
  int* cancel;
  int* state;

  void SendWithHid();
  void SendWithSerial();
  void SendWorker(Port* port);
  bool FirstHello(Port* port);
  bool SecondHello(Port* port);
  bool SendBinary(Port* port);
  bool SendBlock(Port* port, unsigned char* block, unsigned int length);
  bool WaitForByte(Port* port, char expected);
  bool ReadNextByte(Port* port, char& byte);
  bool Cancelled() { return ReadSharedInt(cancel) != 0; }
};
