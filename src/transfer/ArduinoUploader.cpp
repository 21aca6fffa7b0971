#include "transfer/ArduinoUploader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const char* const PortText = "Der serielle Port konnte nicht geöffnet werden.";
const std::string BaseText =
    "Das Board antwortet gar nicht!\n\nHast du kein Reset ausgeführt?\nIst das Board angeschaltet?\n"
    "Ist es angeschlossen?";
const std::string NoSyncText = BaseText + "\n (no sync)";
const std::string VersionText = BaseText + "\n (invalid version)";
const std::string SignatureText = BaseText + "\n (invalid avr-signature)";
const std::string ByteResponseText = BaseText + "\n (unexpected/missing byte response)";

using Clock = std::chrono::steady_clock;

}  // namespace

ArduinoUploader::ArduinoUploader(std::string port, const std::vector<unsigned char>& img, int* cancelFlag,
                                 int* stateValue)
    : image(img), cancel(cancelFlag), state(stateValue) {
  // "HID" names the USB bootloader, never a serial port.
  if (port != "HID") NativeSerialOpen(&serial.handle, port, BaudRate, 8, ParityNone, StopBitsOne);
  if (!serial.IsOpen()) throw UploaderException(PortText);
  WriteSharedInt(state, TransferWaitingForReset);
  ResetBoard();
  SendInitialSyncs();
  WriteSharedInt(state, TransferSending);
  GetVersion();
  EnterProgMode();
  ReadSignature();
  SendProgram();
  LeaveProgMode();
  ResetBoard();
}

// Pulls RTS and DTR low and high again, which resets a board with
// auto-reset. A device without modem lines fails the calls; that is fine.
void ArduinoUploader::ResetBoard() {
  if (NativeSerialSetModemLine(serial.handle, SerialLineRts, false))
    NativeSerialSetModemLine(serial.handle, SerialLineDtr, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (NativeSerialSetModemLine(serial.handle, SerialLineRts, true))
    NativeSerialSetModemLine(serial.handle, SerialLineDtr, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
}

void ArduinoUploader::SendInitialSyncs() {
  for (int attempt = 0; attempt < SyncAttempts; ++attempt) {
    if (Cancelled()) break;
    if (StkGetSync()) return;
  }
  throw UploaderException(NoSyncText);
}

bool ArduinoUploader::StkGetSync() {
  ClearRubbish();
  StkSendCommand(CommandGetSync);
  std::vector<unsigned char> reply = StkReceiveResponse(SyncReplyLimit);
  return reply.size() == 1 && reply[0] == ResponseInSync;
}

// Drops the bytes that wait when it begins, in one read, so that a port that
// never stops sending cannot keep it going.
void ArduinoUploader::ClearRubbish() {
  std::vector<unsigned char> rubbish(std::max(NativeSerialGetAvailableBytes(serial.handle), 0));
  NativeSerialReceiveBytes(serial.handle, rubbish.data(), static_cast<unsigned>(rubbish.size()));
}

void ArduinoUploader::GetVersion() {
  for (unsigned char parameter : {ParameterSoftwareMajor, ParameterSoftwareMinor}) {
    StkSendCommand(CommandGetParameter, parameter);
    std::vector<unsigned char> reply = StkReceiveResponse(ReplyLimit);
    if (reply.size() != 2 || reply[0] != ResponseInSync) throw UploaderException(VersionText);
  }
}

void ArduinoUploader::EnterProgMode() {
  StkSendCommand(CommandEnterProgMode);
  StkExpectResponse(ResponseInSync);
}

void ArduinoUploader::LeaveProgMode() {
  StkSendCommand(CommandLeaveProgMode);
  StkExpectResponse(ResponseInSync);
}

void ArduinoUploader::ReadSignature() {
  StkSendCommand(CommandReadSign);
  std::vector<unsigned char> reply = StkReceiveResponse(ReplyLimit);
  if (reply != std::vector<unsigned char>{ResponseInSync, 0x1E, 0x95, 0x0F}) throw UploaderException(SignatureText);
}

void ArduinoUploader::FillProgramPages(unsigned pageSize) {
  while (image.size() % pageSize != 0) image.push_back(PaddingByte);
}

void ArduinoUploader::SendProgram() {
  FillProgramPages(PageSize);
  for (size_t offset = 0; offset < image.size(); offset += PageSize) {
    if (Cancelled()) throw UploaderException(ByteResponseText);
    std::fputs("Sending a page...\n", stderr);
    LoadAddress(static_cast<unsigned>(offset / 2));
    SendPage(image.data() + offset, PageSize);
  }
}

void ArduinoUploader::LoadAddress(unsigned wordAddress) {
  std::vector<unsigned char> command = {CommandLoadAddress, static_cast<unsigned char>(wordAddress & 0xFF),
                                        static_cast<unsigned char>((wordAddress >> 8) & 0xFF)};
  StkSendCommand(command);
  StkExpectResponse(ResponseInSync);
}

void ArduinoUploader::SendPage(unsigned char* page, unsigned length) {
  std::vector<unsigned char> command(4 + length);
  command[0] = CommandProgramPage;
  command[1] = static_cast<unsigned char>(length >> 8);
  command[2] = static_cast<unsigned char>(length & 0xFF);
  command[3] = MemoryTypeFlash;
  std::copy(page, page + length, command.begin() + 4);
  StkSendCommand(command);
  StkExpectResponse(ResponseInSync);
}

void ArduinoUploader::StkSendCommand(unsigned char command) {
  unsigned char bytes[2] = {command, SyncCrcEop};
  NativeSerialSend(serial.handle, bytes, 2);
}

void ArduinoUploader::StkSendCommand(unsigned char command, unsigned char parameter) {
  unsigned char bytes[3] = {command, parameter, SyncCrcEop};
  NativeSerialSend(serial.handle, bytes, 3);
}

void ArduinoUploader::StkSendCommand(std::vector<unsigned char>& command) {
  command.push_back(SyncCrcEop);
  NativeSerialSend(serial.handle, command.data(), static_cast<unsigned>(command.size()));
}

void ArduinoUploader::StkExpectResponse(char expected) {
  std::vector<unsigned char> reply = StkReceiveResponse(ReplyLimit);
  if (reply.size() != 1 || reply[0] != static_cast<unsigned char>(expected)) throw UploaderException(ByteResponseText);
}

bool ArduinoUploader::StkExpectResponse(char first, char second) {
  std::vector<unsigned char> reply = StkReceiveResponse(ReplyLimit);
  return reply.size() == 2 && reply[0] == static_cast<unsigned char>(first) &&
         reply[1] == static_cast<unsigned char>(second);
}

std::vector<unsigned char> ArduinoUploader::StkReceiveResponse(unsigned limitMilliseconds) {
  std::vector<unsigned char> reply;
  // The budget of waiting without bytes: the limit plus the one polling step
  // after which the limit counts as exceeded.
  const auto budget = std::chrono::milliseconds(limitMilliseconds + 10);
  Clock::duration waited{};
  for (;;) {
    unsigned char byte;
    if (NativeSerialGetAvailableBytes(serial.handle) > 0 && NativeSerialReceiveBytes(serial.handle, &byte, 1) == 1) {
      if (byte == ResponseOk) return reply;
      // Bytes that keep coming without a ResponseOk are no reply.
      if (reply.size() == LongestReply) return {};
      reply.push_back(byte);
      continue;
    }
    if (waited >= budget) return {};
    auto left = std::chrono::ceil<std::chrono::milliseconds>(budget - waited);
    auto start = Clock::now();
    if (!serial.WaitCanRead(static_cast<unsigned>(left.count())))
      std::this_thread::sleep_until(start + left);  // a failing device must not make this spin
    waited += Clock::now() - start;
  }
}
