#pragma once
// A USB HID bootloader device in memory, installed behind the four device
// functions while it lives. The worker thread of the port under test calls
// it; the test scripts it and looks at what it saw, all under one lock.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class FakeHidDevice {
public:
  using Board = std::function<std::vector<uint8_t>(uint8_t)>;

  FakeHidDevice();
  ~FakeHidDevice();
  FakeHidDevice(const FakeHidDevice&) = delete;
  FakeHidDevice& operator=(const FakeHidDevice&) = delete;

  // Script.
  void SetPresent(bool present);
  void SetRoom(int room);                                       // announced room in the device, 0..31
  void QueueToHost(const std::vector<uint8_t>& bytes);          // sent 7 at a time in feature reports
  void QueueFeatureReport(const std::vector<uint8_t>& report);  // bytes 1.. of one report, as they are
  void FailFeatureReportsFrom(int call);                        // that call (1-based) and every later one fail
  void FailOutputReports();
  void SetBoard(Board board);  // answers the bytes of the output reports

  // Observation.
  std::vector<std::vector<uint8_t>> OutputReports();
  std::vector<uint8_t> OutputBytes();  // the data bytes of all output reports
  int FeatureCalls();
  int Opens();
  int Closes();
  bool HostQueueEmpty();
  // Waits at most the given time until the condition holds; the condition
  // may call the observers above.
  bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Waits until the worker has asked for the given number of further feature reports.
  bool WaitForFeatureCalls(int more);

  // The device functions.
  bool Open(void** handle);
  bool Close();
  bool SendOutputReport(const unsigned char* report, unsigned length);
  bool GetFeatureReport(unsigned char* buffer, unsigned length);

private:
  std::mutex mutex;
  std::condition_variable changed;
  bool present = true;
  int room = 31;
  std::deque<uint8_t> toHost;
  std::deque<std::vector<uint8_t>> rawReports;
  int failFeatureFrom = 0;
  bool failOutput = false;
  Board board;
  std::vector<std::vector<uint8_t>> outputReports;
  int featureCalls = 0, opens = 0, closes = 0;
};
