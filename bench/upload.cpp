// Upload speed: the STK500 uploader against avrdude on the same simulated
// optiboot board, and the bootloader protocol against a peer that answers
// each block only after the time the block takes on a 19200-baud line.
#include "transfer/ArduinoUploader.h"
#include "transfer/BascomUploader.h"

#include "BoardPeers.h"
#include "OptibootBoard.h"
#include "UploadHarness.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool FlashHolds(OptibootBoard& board, const std::vector<unsigned char>& image) {
  board.Stop();
  return board.Flash(0, static_cast<uint32_t>(image.size())) == image;
}

// avrdude writing the image as a raw file, without verifying, as we do.
bool RunAvrdude(const std::string& port, const std::vector<unsigned char>& image) {
#ifdef PELLBURNE_AVRDUDE
  std::string file = "/tmp/pellburne-bench-" + std::to_string(getpid()) + ".bin";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  std::string write = "flash:w:" + file + ":r";
  const char* argv[] = {PELLBURNE_AVRDUDE, "-q", "-q",     "-c", "arduino", "-p",          "atmega328p", "-P",
                        port.c_str(),      "-b", "115200", "-V", "-U",      write.c_str(), nullptr};
  pid_t pid;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  int rc = posix_spawn(&pid, PELLBURNE_AVRDUDE, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  bool ok = rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::remove(file.c_str());
  return ok;
#else
  (void)port;
  (void)image;
  return false;
#endif
}

void BM_Stk500Upload8K(benchmark::State& state) {
  auto image = RandomImage(8192, 3);
  double ours = 0, avrdude = 0;
  for (auto _ : state) {
    {
      OptibootBoard board;
      int cancel = 0, progress = TransferCompiling;
      auto start = Clock::now();
      std::string error = RunUpload<ArduinoUploader>(board.Port(), image, &cancel, &progress);
      ours = Seconds(Clock::now() - start);
      if (!error.empty() || !FlashHolds(board, image)) {
        state.SkipWithError("our upload failed");
        return;
      }
    }
    {
      OptibootBoard board;
      auto start = Clock::now();
      bool ok = RunAvrdude(board.Port(), image);
      avrdude = Seconds(Clock::now() - start);
      if (!ok || !FlashHolds(board, image)) {
        state.SkipWithError("avrdude failed");
        return;
      }
    }
    state.SetIterationTime(ours);
  }
  state.counters["ours_s"] = ours;
  state.counters["avrdude_s"] = avrdude;
  state.counters["ratio"] = ours / avrdude;
  std::printf("STK500, 8 KB to simulated optiboot: ours %.2f s, avrdude %.2f s, ours / avrdude = %.2f\n", ours, avrdude,
              ours / avrdude);
}
BENCHMARK(BM_Stk500Upload8K)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BootloaderUpload8K(benchmark::State& state) {
  auto image = RandomImage(8192, 5);
  // 132 bytes of ten bits each at 19200 baud.
  const auto blockTime = std::chrono::microseconds(132 * 10 * 1000000LL / 19200);
  const double lineLimit = 64 * std::chrono::duration<double>(blockTime).count();
  double seconds = 0;
  for (auto _ : state) {
    BootloaderPeer board;
    board.blockDelay = blockTime;
    int cancel = 0, progress = TransferCompiling;
    board.state = &progress;
    PtyPeer peer([&](uint8_t b) { return board.OnByte(b); });
    auto start = Clock::now();
    std::string error = RunUpload<BascomUploader>(peer.Port(), image, &cancel, &progress);
    seconds = Seconds(Clock::now() - start);
    peer.Stop();
    if (!error.empty() || board.image != image) {
      state.SkipWithError("bootloader upload failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.counters["seconds"] = seconds;
  state.counters["line_limit_s"] = lineLimit;
  state.counters["ratio"] = seconds / lineLimit;
  std::printf(
      "Bootloader protocol, 8 KB (64 blocks) at 19200 baud: %.2f s against the line limit of %.2f s "
      "(%.2f)\n",
      seconds, lineLimit, seconds / lineLimit);
}
BENCHMARK(BM_BootloaderUpload8K)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
