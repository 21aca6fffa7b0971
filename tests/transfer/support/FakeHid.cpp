#include "FakeHid.h"

#include "transfer/Hid.h"

#include <algorithm>
#include <thread>

namespace {

FakeHidDevice* active = nullptr;

bool FakeOpen(void** handle, int, int, int) { return active->Open(handle); }
bool FakeClose(void*) { return active->Close(); }
bool FakeSend(void*, unsigned char* report, unsigned length) { return active->SendOutputReport(report, length); }
bool FakeFeature(void*, unsigned char* buffer, unsigned length) { return active->GetFeatureReport(buffer, length); }
const HidDeviceFunctions fakeFunctions = {FakeOpen, FakeClose, FakeSend, FakeFeature};

}  // namespace

FakeHidDevice::FakeHidDevice() {
  active = this;
  HidSetDeviceFunctions(&fakeFunctions);
}

FakeHidDevice::~FakeHidDevice() {
  HidSetDeviceFunctions(nullptr);
  active = nullptr;
}

void FakeHidDevice::SetPresent(bool p) {
  std::lock_guard lock(mutex);
  present = p;
}
void FakeHidDevice::SetRoom(int r) {
  std::lock_guard lock(mutex);
  room = r;
}
void FakeHidDevice::QueueToHost(const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(mutex);
  toHost.insert(toHost.end(), bytes.begin(), bytes.end());
}
void FakeHidDevice::QueueFeatureReport(const std::vector<uint8_t>& report) {
  std::lock_guard lock(mutex);
  rawReports.push_back(report);
}
void FakeHidDevice::FailFeatureReportsFrom(int call) {
  std::lock_guard lock(mutex);
  failFeatureFrom = call;
}
void FakeHidDevice::FailOutputReports() {
  std::lock_guard lock(mutex);
  failOutput = true;
}
void FakeHidDevice::SetBoard(Board b) {
  std::lock_guard lock(mutex);
  board = std::move(b);
}

std::vector<std::vector<uint8_t>> FakeHidDevice::OutputReports() {
  std::lock_guard lock(mutex);
  return outputReports;
}
std::vector<uint8_t> FakeHidDevice::OutputBytes() {
  std::lock_guard lock(mutex);
  std::vector<uint8_t> bytes;
  for (auto& r : outputReports) bytes.insert(bytes.end(), r.begin() + 2, r.begin() + 2 + r[1]);
  return bytes;
}
int FakeHidDevice::FeatureCalls() {
  std::lock_guard lock(mutex);
  return featureCalls;
}
int FakeHidDevice::Opens() {
  std::lock_guard lock(mutex);
  return opens;
}
int FakeHidDevice::Closes() {
  std::lock_guard lock(mutex);
  return closes;
}
bool FakeHidDevice::HostQueueEmpty() {
  std::lock_guard lock(mutex);
  return toHost.empty() && rawReports.empty();
}

bool FakeHidDevice::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;  // it takes the lock itself
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::unique_lock lock(mutex);
    changed.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(2)));
  }
}

bool FakeHidDevice::WaitForFeatureCalls(int more) {
  int target = FeatureCalls() + more;
  return WaitUntil([&] { return FeatureCalls() >= target; });
}

bool FakeHidDevice::Open(void** handle) {
  std::lock_guard lock(mutex);
  if (!present) return false;
  ++opens;
  *handle = this;
  return true;
}

bool FakeHidDevice::Close() {
  std::lock_guard lock(mutex);
  ++closes;
  changed.notify_all();
  return true;
}

bool FakeHidDevice::SendOutputReport(const unsigned char* report, unsigned length) {
  std::lock_guard lock(mutex);
  if (failOutput) return false;
  outputReports.emplace_back(report, report + length);
  if (board && length >= 2)
    for (unsigned i = 0; i < report[1] && 2 + i < length; ++i) {
      std::vector<uint8_t> reply = board(report[2 + i]);
      toHost.insert(toHost.end(), reply.begin(), reply.end());
    }
  changed.notify_all();
  return true;
}

bool FakeHidDevice::GetFeatureReport(unsigned char* buffer, unsigned length) {
  {
    std::lock_guard lock(mutex);
    ++featureCalls;
    changed.notify_all();
    if (failFeatureFrom > 0 && featureCalls >= failFeatureFrom) return false;
    if (length < 9 || buffer[0] != 0) return false;  // report id 0, nine bytes
    if (!rawReports.empty()) {
      std::vector<uint8_t>& raw = rawReports.front();
      for (size_t i = 0; i < raw.size() && 1 + i < length; ++i) buffer[1 + i] = raw[i];
      rawReports.pop_front();
    } else {
      unsigned n = toHost.size() < 7 ? static_cast<unsigned>(toHost.size()) : 7;
      buffer[1] = static_cast<unsigned char>((room << 3) | n);
      for (unsigned i = 0; i < n; ++i) {
        buffer[2 + i] = toHost.front();
        toHost.pop_front();
      }
    }
  }
  // A real device takes a while to answer; this keeps the worker from
  // hogging a processor.
  std::this_thread::sleep_for(std::chrono::microseconds(50));
  return true;
}
