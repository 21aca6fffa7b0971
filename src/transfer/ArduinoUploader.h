#pragma once
// Upload to an Arduino-style bootloader over STK500 version 1 at 115200 baud.
#include "transfer/Serial.h"
#include "transfer/Uploader.h"

#include <string>
#include <vector>

class ArduinoUploader {
public:
  static constexpr unsigned char SyncCrcEop = 0x20;
  static constexpr unsigned char ResponseInSync = 0x14;
  static constexpr unsigned char ResponseOk = 0x10;
  static constexpr unsigned char CommandGetSync = 0x30;
  static constexpr unsigned char CommandGetParameter = 0x41;
  static constexpr unsigned char ParameterSoftwareMajor = 0x81;
  static constexpr unsigned char ParameterSoftwareMinor = 0x82;
  static constexpr unsigned char CommandEnterProgMode = 0x50;
  static constexpr unsigned char CommandLeaveProgMode = 0x51;
  static constexpr unsigned char CommandLoadAddress = 0x55;
  static constexpr unsigned char CommandProgramPage = 0x64;
  static constexpr unsigned char CommandReadSign = 0x75;
  static constexpr int BaudRate = 115200;

  static constexpr unsigned PageSize = 128;
  static constexpr unsigned char PaddingByte = 0xFF;
  static constexpr unsigned char MemoryTypeFlash = 'F';
  static constexpr int SyncAttempts = 10;
  static constexpr unsigned SyncReplyLimit = 500;
  static constexpr unsigned ReplyLimit = 100;
  // The longest reply before its closing ResponseOk: the signature's 14 1E 95 0F.
  static constexpr size_t LongestReply = 4;

  // The whole upload; throws UploaderException on failure. The state shows
  // the reset and sync (3) and the sending (4); a set cancel flag stops the
  // upload between sync attempts and between pages.
  ArduinoUploader(std::string port, const std::vector<unsigned char>& image, int* cancel, int* state);

private:
  Serial serial;
  std::vector<unsigned char> image;
  int* cancel;
  int* state;

  void ResetBoard();
  void SendInitialSyncs();
  void GetVersion();
  void EnterProgMode();
  void ReadSignature();
  void SendProgram();
  void LoadAddress(unsigned wordAddress);
  void SendPage(unsigned char* page, unsigned length);
  void LeaveProgMode();
  void ClearRubbish();
  bool StkGetSync();
  void FillProgramPages(unsigned pageSize);
  void StkSendCommand(unsigned char command);
  void StkSendCommand(unsigned char command, unsigned char parameter);
  void StkSendCommand(std::vector<unsigned char>& command);
  void StkExpectResponse(char expected);
  bool StkExpectResponse(char first, char second);
  // Reads one reply: bytes up to the first ResponseOk, which is dropped. Only
  // time spent waiting for bytes counts against the limit, and a reply holds
  // at most LongestReply bytes, so the read ends either way; when the limit
  // runs out or a byte more arrives, the reply is empty.
  std::vector<unsigned char> StkReceiveResponse(unsigned limitMilliseconds);
  bool Cancelled() { return ReadSharedInt(cancel) != 0; }
};
