#pragma once
// Board stand-ins for the upload tests: a thread that answers on a
// pseudo-terminal byte by byte, a device that never stops sending, and the
// board side of the '{'/XMODEM bootloader protocol with scripted faults.
#include "Pty.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <vector>

// Answers every byte the code under test writes to the pseudo-terminal.
class PtyPeer {
public:
  using Handler = std::function<std::vector<uint8_t>(uint8_t)>;
  explicit PtyPeer(Handler handler);
  ~PtyPeer() { Stop(); }
  const std::string& Port() const { return pty.SlavePath(); }
  PseudoTerminal& Terminal() { return pty; }
  // Ends the thread; afterwards everything the handler recorded may be read.
  void Stop();

private:
  PseudoTerminal pty;
  Handler handler;
  std::atomic<bool> stop{false};
  std::thread thread;
};

// Runs upload(port) on a thread of its own while the far end of the port
// prints text without pause, as a board or a USB serial device does behind a
// port chosen by mistake; the text holds no 0x10, 0x14, '{' or '0'. Every
// byte the upload writes goes to sent, on the calling thread. An upload that
// has not ended within the limit has hung: the stream stops and the cancel
// flag is set so that it can end. When the upload ended, if in time.
std::optional<std::chrono::steady_clock::time_point> StreamWhile(const std::function<void(const std::string&)>& upload,
                                                                 const std::function<void(uint8_t)>& sent, int* cancel,
                                                                 std::chrono::milliseconds limit);

// The board side of the '{' greetings and the XMODEM blocks.
struct BootloaderPeer {
  // Script.
  int ignoredHellos = 0;                             // first-greeting '{' left unanswered (board not reset yet)
  std::map<int, std::vector<uint8_t>> noiseOnHello;  // bytes sent instead, by hello number (1-based)
  bool answerForever = true;                         // false: never answer the first greeting
  std::optional<uint8_t> secondHelloReply = '{';     // nothing: silence after the second '{'
  std::optional<uint8_t> startByte = 0x15;           // the NAK that asks for the first block
  std::map<int, int> naksForBlock;                   // NAKs before the ACK, by block index (0-based)
  std::optional<uint8_t> eotReply = 0x06;
  std::chrono::microseconds blockDelay{0};  // time to "receive" a block before answering
  int* cancelOnHello = nullptr;             // set this flag when hello number cancelHello arrives
  int cancelHello = 0;
  int* state = nullptr;  // the uploader's state, sampled below

  // Record.
  int hellos = 0;
  int secondHellos = 0;
  std::vector<std::vector<uint8_t>> blocks;  // every block received, retries included
  std::vector<uint8_t> image;                // data of the acknowledged blocks
  bool checksumsValid = true;
  bool numbersValid = true;
  bool eot = false;
  int stateAtFirstHello = -1;
  int stateAtFirstBlock = -1;

  std::vector<uint8_t> OnByte(uint8_t byte);

private:
  enum Phase { Greeting, SecondGreeting, Blocks, Done } phase = Greeting;
  std::vector<uint8_t> block;
  uint8_t expectedNumber = 1;
  int blockIndex = 0;
  int naksSent = 0;
};
