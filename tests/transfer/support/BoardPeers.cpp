#include "BoardPeers.h"

#include "transfer/Uploader.h"

#include <poll.h>
#include <unistd.h>

PtyPeer::PtyPeer(Handler h) : handler(std::move(h)) {
  thread = std::thread([this] {
    while (!stop) {
      std::vector<uint8_t> bytes = pty.Read(2);
      if (bytes.empty()) {
        if (!pty.SlaveOpen()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      for (uint8_t b : bytes) {
        std::vector<uint8_t> reply = handler(b);
        if (!reply.empty()) pty.Write(reply);
      }
    }
  });
}

void PtyPeer::Stop() {
  stop = true;
  if (thread.joinable()) thread.join();
}

std::optional<std::chrono::steady_clock::time_point> StreamWhile(const std::function<void(const std::string&)>& upload,
                                                                 const std::function<void(uint8_t)>& sent, int* cancel,
                                                                 std::chrono::milliseconds limit) {
  PseudoTerminal pty;
  std::atomic<bool> ended{false};
  std::chrono::steady_clock::time_point end;
  std::thread uploader([&] {
    upload(pty.SlavePath());
    end = std::chrono::steady_clock::now();
    ended = true;
  });
  std::string text;
  while (text.size() < 4096) text += "Temperatur: 21.5 C, Licht: 734, Taster: aus\r\n";
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool inTime = true;
  for (size_t at = 0; !ended;) {
    for (uint8_t b : pty.Read(0)) sent(b);
    if (inTime && std::chrono::steady_clock::now() > deadline) {
      inTime = false;
      WriteSharedInt(cancel, 1);
    }
    // From the start, so that bytes wait when the port is opened.
    ssize_t n = inTime ? write(pty.Master(), text.data() + at, text.size() - at) : 0;
    if (n > 0) {
      at = (at + static_cast<size_t>(n)) % text.size();
      continue;
    }
    // Full, closed or stopped: wait briefly for room or for bytes.
    pollfd p{pty.Master(), static_cast<short>(inTime ? POLLIN | POLLOUT : POLLIN), 0};
    if (poll(&p, 1, 5) > 0 && (p.revents & POLLHUP)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  uploader.join();
  for (uint8_t b : pty.Read(0)) sent(b);  // what it wrote just before it closed the port
  if (!inTime) return std::nullopt;
  return end;
}

std::vector<uint8_t> BootloaderPeer::OnByte(uint8_t byte) {
  switch (phase) {
  case Greeting: {
    if (byte != '{') return {};
    ++hellos;
    if (hellos == 1) stateAtFirstHello = ReadSharedInt(state);
    if (cancelOnHello && hellos == cancelHello) WriteSharedInt(cancelOnHello, 1);
    std::vector<uint8_t> reply;
    if (auto noise = noiseOnHello.find(hellos); noise != noiseOnHello.end()) reply = noise->second;
    if (answerForever && hellos > ignoredHellos) {
      reply.push_back('{');
      phase = SecondGreeting;
    }
    return reply;
  }
  case SecondGreeting: {
    if (byte != '{') return {};
    ++secondHellos;
    phase = Blocks;
    std::vector<uint8_t> reply;
    if (secondHelloReply) reply.push_back(*secondHelloReply);
    if (secondHelloReply == '{' && startByte) reply.push_back(*startByte);
    return reply;
  }
  case Blocks: {
    if (block.empty() && byte == 0x04) {
      eot = true;
      phase = Done;
      if (eotReply) return {*eotReply};
      return {};
    }
    block.push_back(byte);
    if (block.size() < 132) return {};
    if (blocks.empty()) stateAtFirstBlock = ReadSharedInt(state);
    blocks.push_back(block);
    uint8_t sum = 0;
    for (size_t i = 3; i < 131; ++i) sum = static_cast<uint8_t>(sum + block[i]);
    if (block[0] != 0x01 || block[131] != sum) checksumsValid = false;
    if (block[1] != expectedNumber || block[2] != static_cast<uint8_t>(255 - expectedNumber)) numbersValid = false;
    if (blockDelay.count() > 0) std::this_thread::sleep_for(blockDelay);
    std::vector<uint8_t> data(block.begin() + 3, block.begin() + 131);
    block.clear();
    if (naksSent < naksForBlock[blockIndex]) {
      ++naksSent;
      return {0x15};
    }
    image.insert(image.end(), data.begin(), data.end());
    naksSent = 0;
    ++blockIndex;
    ++expectedNumber;
    return {0x06};
  }
  case Done:
    return {};
  }
  return {};
}
