#include "transfer/BascomUploader.h"

#include "transfer/Hid.h"
#include "transfer/Serial.h"

#include <chrono>
#include <thread>

namespace {

const char* const PortText = "Der serielle Port konnte nicht geöffnet werden.";
const char* const NoAnswerText =
    "Das Board antwortet gar nicht!\n\nHast du kein Reset ausgeführt?\nIst das Board angeschaltet?\n"
    "Ist es angeschlossen?";
const char* const SecondHelloText =
    "Das Board antwortete nicht auf das zweite 'Hallo'!\nLäuft ein Programm, das '{' schickt?";
const char* const NoNakText = "Board sendete kein 0x15!\nLäuft ein Programm, das '{' sendet?";
const char* const TransferText = "Das Programm konnte nicht übertragen werden.";
const char* const LastAckText = "Konnte letztes Zeichen(0x06) nicht empfangen.";

using Clock = std::chrono::steady_clock;

// Waits until a byte can be read or the deadline has passed. A port that
// reports failure early does not cut the step short, so a broken device
// never makes a loop spin.
bool WaitUntil(Port* p, Clock::time_point deadline) {
  for (;;) {
    if (p->CanRead()) return true;
    auto now = Clock::now();
    if (now >= deadline) return false;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    if (p->WaitCanRead(static_cast<unsigned>(left))) return true;
    if (Clock::now() < deadline) {
      std::this_thread::sleep_until(deadline);
      return p->CanRead();
    }
  }
}

}  // namespace

BascomUploader::BascomUploader(std::string portName, const std::vector<unsigned char>& img, int* cancelFlag,
                               int* stateValue)
    : port(std::move(portName)), image(&img), cancel(cancelFlag), state(stateValue) {
  if (port == "HID")
    SendWithHid();
  else
    SendWithSerial();
}

void BascomUploader::SendWithHid() {
  HidPort* hidPort = nullptr;
  HidPortOpen(&hidPort, VendorId, ProductId, 0);
  Hid hid(hidPort);
  SendWorker(&hid);
}

void BascomUploader::SendWithSerial() {
  Serial serial;
  NativeSerialOpen(&serial.handle, port, BaudRate, 8, ParityNone, StopBitsOne);
  SendWorker(&serial);
}

void BascomUploader::SendWorker(Port* p) {
  WriteSharedInt(state, ReadSharedInt(state) + 1);
  if (!p->IsOpen()) throw UploaderException(PortText);
  if (!FirstHello(p)) throw UploaderException(NoAnswerText);
  WriteSharedInt(state, ReadSharedInt(state) + 1);
  if (!SecondHello(p)) throw UploaderException(SecondHelloText);
  if (!WaitForByte(p, Nak)) throw UploaderException(NoNakText);
  if (!SendBinary(p)) throw UploaderException(TransferText);
  unsigned char eot = Eot;
  p->Send(&eot, 1);
  if (!WaitForByte(p, Ack)) throw UploaderException(LastAckText);
}

// Repeats '{' about every 100 ms until the freshly reset board answers '{';
// no time limit, only the cancel flag ends it. Bytes are read at most a batch
// at a time, so that a port that never stops sending cannot hold back the
// next '{' and the look at the flag before it.
bool BascomUploader::FirstHello(Port* p) {
  unsigned char byte, waiting[ReadBatch];
  p->ReceiveBytes(waiting, sizeof waiting);  // what waits already is no answer
  while (!Cancelled()) {
    unsigned char hello = Hello;
    p->Send(&hello, 1);
    auto next = Clock::now() + std::chrono::milliseconds(SleepTime);
    while (WaitUntil(p, next)) {
      int read = 0;
      while (read < ReadBatch && p->CanRead() && p->ReceiveBytes(&byte, 1) == 1) {
        ++read;
        if (byte == Hello) return true;
      }
      if (read == 0) {
        std::this_thread::sleep_until(next);
        break;
      }
      if (Clock::now() >= next) break;  // bytes keep coming: the next '{' is due
    }
  }
  return false;
}

bool BascomUploader::SecondHello(Port* p) {
  unsigned char hello = Hello;
  p->Send(&hello, 1);
  return WaitForByte(p, Hello);
}

bool BascomUploader::SendBinary(Port* p) {
  const std::vector<unsigned char>& bytes = *image;
  unsigned char block[132];
  unsigned char number = 1;
  for (size_t offset = 0; offset < bytes.size(); offset += 128) {
    block[0] = Soh;
    block[1] = number;
    block[2] = static_cast<unsigned char>(255 - number);
    unsigned char sum = 0;
    for (size_t i = 0; i < 128; ++i) {
      unsigned char b = offset + i < bytes.size() ? bytes[offset + i] : PaddingChar;
      block[3 + i] = b;
      sum = static_cast<unsigned char>(sum + b);
    }
    block[131] = sum;
    if (!SendBlock(p, block, sizeof block)) return false;
    ++number;  // wraps after 255
  }
  return true;
}

bool BascomUploader::SendBlock(Port* p, unsigned char* block, unsigned int length) {
  for (int attempt = 1; attempt <= BlockMaxRetries; ++attempt) {
    if (Cancelled()) return false;
    p->Send(block, length);
    char reply;
    if (!ReadNextByte(p, reply)) return false;
    if (static_cast<unsigned char>(reply) == Ack) return true;
    if (static_cast<unsigned char>(reply) != Nak) return false;
  }
  return false;
}

bool BascomUploader::WaitForByte(Port* p, char expected) {
  char byte;
  return ReadNextByte(p, byte) && byte == expected;
}

// One wait: up to MaxTries polls of SleepTime each; the cancel flag is looked
// at before every poll, and a byte ends the wait as soon as it arrives.
bool BascomUploader::ReadNextByte(Port* p, char& byte) {
  for (int poll = 0; poll < MaxTries; ++poll) {
    if (Cancelled()) return false;
    if (WaitUntil(p, Clock::now() + std::chrono::milliseconds(SleepTime))) {
      unsigned char b;
      if (p->ReceiveBytes(&b, 1) < 1) return false;
      byte = static_cast<char>(b);
      return true;
    }
  }
  return false;
}
