#pragma once
// Running an uploader in a test: its error text (empty on success), with a
// guard that sets the cancel flag after a generous time so that a board
// that never answers cannot hang the test.
#include "transfer/Uploader.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

class CancelGuard {
public:
  CancelGuard(int* cancel, std::chrono::seconds limit = std::chrono::seconds(30))
      : thread([this, cancel, limit] {
          std::unique_lock lock(mutex);
          if (!done.wait_for(lock, limit, [this] { return finished; })) WriteSharedInt(cancel, 1);
        }) {}
  ~CancelGuard() {
    {
      std::lock_guard lock(mutex);
      finished = true;
    }
    done.notify_all();
    thread.join();
  }

private:
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::thread thread;
};

// Runs the uploader's constructor; the text of its exception, or "" on success.
template <class Uploader>
std::string RunUpload(const std::string& port, const std::vector<unsigned char>& image, int* cancel, int* state) {
  CancelGuard guard(cancel);
  try {
    Uploader uploader(port, image, cancel, state);
    return "";
  } catch (const UploaderException& e) {
    return e.message;
  }
}

inline std::vector<unsigned char> RandomImage(size_t size, unsigned seed = 1) {
  std::mt19937 random(seed + static_cast<unsigned>(size));
  std::vector<unsigned char> image(size);
  for (auto& b : image) b = static_cast<unsigned char>(random());
  return image;
}

inline const char* const PortOpenText = "Der serielle Port konnte nicht geöffnet werden.";
inline const char* const NoAnswerText =
    "Das Board antwortet gar nicht!\n\nHast du kein Reset ausgeführt?\nIst das Board angeschaltet?\n"
    "Ist es angeschlossen?";
