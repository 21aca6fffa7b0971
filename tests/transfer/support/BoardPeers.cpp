#include "BoardPeers.h"

#include "transfer/Uploader.h"

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
