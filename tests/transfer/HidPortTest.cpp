#include "transfer/Hid.h"
#include "transfer/HidPort.h"

#include "FakeHid.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

namespace {

std::vector<uint8_t> Sequence(size_t count, uint8_t start = 0) {
  std::vector<uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), start);
  return bytes;
}

std::vector<int> ReportSizes(FakeHidDevice& device) {
  std::vector<int> sizes;
  for (auto& r : device.OutputReports()) sizes.push_back(r[1]);
  return sizes;
}

// Opens a port on the fake device and closes it at the end of the test.
struct OpenPort {
  HidPort* port = nullptr;
  explicit OpenPort(FakeHidDevice&) { EXPECT_EQ(HidPortOpen(&port, 0x16C0, 0x05DC, 0), 0); }
  ~OpenPort() { HidPortClose(port); }
  int Send(std::vector<uint8_t> bytes) {
    return HidPortSendBytes(port, bytes.data(), static_cast<unsigned>(bytes.size()));
  }
};

TEST(HidPort, RoomForAWholeBlockSendsReportsOfSevenAndTheRest) {
  FakeHidDevice device;
  device.SetRoom(31);
  OpenPort p(device);
  std::vector<uint8_t> block = Sequence(132);
  EXPECT_EQ(p.Send(block), 0);
  ASSERT_TRUE(device.WaitUntil([&] { return device.OutputBytes().size() >= 132; }));
  ASSERT_TRUE(device.WaitForFeatureCalls(5));  // nothing more follows
  std::vector<int> expected(18, 7);
  expected.push_back(6);
  EXPECT_EQ(ReportSizes(device), expected);
  for (auto& r : device.OutputReports()) {
    EXPECT_EQ(r.size(), 9u);
    EXPECT_EQ(r[0], 0);
  }
  EXPECT_EQ(device.OutputBytes(), block);
}

TEST(HidPort, SmallRoomTakesWhatFitsOrWaitsForSeven) {
  FakeHidDevice device;
  device.SetRoom(5);
  OpenPort p(device);
  EXPECT_EQ(p.Send({1, 2, 3}), 0);
  ASSERT_TRUE(device.WaitUntil([&] { return device.OutputReports().size() == 1; }));
  EXPECT_EQ(ReportSizes(device), std::vector<int>{3});

  // Nine bytes do not go out in pieces of five: the port waits for room for seven.
  EXPECT_EQ(p.Send(Sequence(9, 10)), 0);
  ASSERT_TRUE(device.WaitForFeatureCalls(50));
  EXPECT_EQ(ReportSizes(device), std::vector<int>{3});

  device.SetRoom(7);
  ASSERT_TRUE(device.WaitUntil([&] { return device.OutputReports().size() == 3; }));
  EXPECT_EQ(ReportSizes(device), (std::vector<int>{3, 7, 2}));
  std::vector<uint8_t> expected = {1, 2, 3};
  for (uint8_t b : Sequence(9, 10)) expected.push_back(b);
  EXPECT_EQ(device.OutputBytes(), expected);
}

TEST(HidPort, NoRoomSendsNothing) {
  FakeHidDevice device;
  device.SetRoom(0);
  OpenPort p(device);
  EXPECT_EQ(p.Send(Sequence(50)), 0);
  ASSERT_TRUE(device.WaitForFeatureCalls(50));
  EXPECT_TRUE(device.OutputReports().empty());
}

TEST(HidPort, FeatureReportAnnouncesRoomAndCarriesItsDataBytes) {
  FakeHidDevice device;
  device.SetRoom(0);
  // 0x2A: room 5, two data bytes; the bytes behind them do not count.
  device.QueueFeatureReport({0x2A, 'o', 'k', 'x', 'y', 'z', 'w', 'v'});
  device.QueueFeatureReport({0x00});
  OpenPort p(device);
  ASSERT_TRUE(device.WaitUntil([&] { return device.FeatureCalls() >= 3; }));
  unsigned char buffer[16];
  EXPECT_EQ(HidPortCanRead(p.port), 1);
  EXPECT_EQ(HidPortReceiveBytes(p.port, buffer, 0), 0);
  EXPECT_EQ(HidPortReceiveBytes(p.port, buffer, sizeof buffer), 2);
  EXPECT_EQ(buffer[0], 'o');
  EXPECT_EQ(buffer[1], 'k');
  EXPECT_EQ(HidPortCanRead(p.port), 0);
  EXPECT_EQ(HidPortReceiveBytes(p.port, buffer, sizeof buffer), 0);
}

TEST(HidPort, AnnouncedRoomGovernsTheNextReport) {
  FakeHidDevice device;
  device.SetRoom(0);
  OpenPort p(device);
  EXPECT_EQ(p.Send({7, 8, 9}), 0);
  ASSERT_TRUE(device.WaitForFeatureCalls(20));
  EXPECT_TRUE(device.OutputReports().empty());
  device.QueueFeatureReport({0x2A, 'o', 'k'});  // room 5 for once
  ASSERT_TRUE(device.WaitUntil([&] { return device.OutputReports().size() == 1; }));
  EXPECT_EQ(device.OutputBytes(), (std::vector<uint8_t>{7, 8, 9}));
}

TEST(HidPort, FailingFeatureReportStopsThePortButItStaysOpen) {
  FakeHidDevice device;
  device.FailFeatureReportsFrom(3);
  HidPort* port = nullptr;
  ASSERT_EQ(HidPortOpen(&port, 0x16C0, 0x05DC, 0), 0);
  Hid hid(port);
  ASSERT_TRUE(device.WaitUntil([&] { return device.FeatureCalls() >= 3; }));
  ASSERT_EQ(HidPortWaitCanRead(port, 5000), -1);  // returns once the worker has failed
  unsigned char byte = 1;
  EXPECT_EQ(HidPortCanRead(port), -1);
  EXPECT_EQ(HidPortReceiveBytes(port, &byte, 1), -1);
  EXPECT_EQ(HidPortSendBytes(port, &byte, 1), -1);
  EXPECT_EQ(port->status.load(), HidPortFeatureFailed);
  EXPECT_TRUE(hid.IsOpen());
  EXPECT_FALSE(hid.CanRead());
  EXPECT_EQ(hid.ReceiveBytes(&byte, 1), -1);
  EXPECT_FALSE(hid.Send(&byte, 1));
  EXPECT_FALSE(hid.WaitCanRead(10));
  // The worker ended at the failure: no more requests.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(device.FeatureCalls(), 3);
}

TEST(HidPort, FailingOutputReportStopsThePort) {
  FakeHidDevice device;
  device.FailOutputReports();
  OpenPort p(device);
  EXPECT_EQ(p.Send({1, 2}), 0);
  unsigned char byte;
  ASSERT_EQ(HidPortWaitCanRead(p.port, 5000), -1);
  EXPECT_EQ(p.port->status.load(), HidPortOutputFailed);
  EXPECT_EQ(HidPortCanRead(p.port), -1);
  EXPECT_EQ(HidPortReceiveBytes(p.port, &byte, 1), -1);
  EXPECT_EQ(p.Send({3}), -1);
}

TEST(HidPort, FullOutputRingKeepsWhatFittedAndRefusesMore) {
  FakeHidDevice device;
  device.SetRoom(0);
  OpenPort p(device);
  std::vector<uint8_t> first = Sequence(8000), second = Sequence(500, 77);
  EXPECT_EQ(p.Send(first), 0);
  EXPECT_EQ(p.Send(second), -1);  // 192 of them fitted
  EXPECT_EQ(p.Send({1}), -1);     // a full ring takes nothing
  EXPECT_EQ(p.Send({}), 0);
  device.SetRoom(31);
  ASSERT_TRUE(device.WaitUntil([&] { return device.OutputBytes().size() >= 8192; }));
  ASSERT_TRUE(device.WaitForFeatureCalls(20));
  std::vector<uint8_t> expected = first;
  expected.insert(expected.end(), second.begin(), second.begin() + 192);
  EXPECT_EQ(device.OutputBytes(), expected);
  // Drained, the ring takes bytes again.
  EXPECT_EQ(p.Send({5}), 0);
}

TEST(HidPort, FullInputRingDropsFurtherBytes) {
  FakeHidDevice device;
  std::vector<uint8_t> incoming = Sequence(2048 + 100, 3);
  device.QueueToHost(incoming);
  OpenPort p(device);
  ASSERT_TRUE(device.WaitUntil([&] { return device.HostQueueEmpty(); }));
  ASSERT_TRUE(device.WaitForFeatureCalls(2));
  std::vector<unsigned char> buffer(4096);
  EXPECT_EQ(HidPortReceiveBytes(p.port, buffer.data(), 1000), 1000);
  EXPECT_EQ(HidPortReceiveBytes(p.port, buffer.data() + 1000, 4096 - 1000), 1048);
  buffer.resize(2048);
  EXPECT_EQ(buffer, std::vector<unsigned char>(incoming.begin(), incoming.begin() + 2048));
  EXPECT_EQ(HidPortCanRead(p.port), 0);
  // Room again: new bytes arrive.
  device.QueueToHost({42});
  ASSERT_EQ(HidPortWaitCanRead(p.port, 5000), 1);
  unsigned char b = 0;
  EXPECT_EQ(HidPortReceiveBytes(p.port, &b, 1), 1);
  EXPECT_EQ(b, 42);
}

TEST(HidPort, WaitingReaderWakesWhenBytesArrive) {
  FakeHidDevice device;
  OpenPort p(device);
  EXPECT_EQ(HidPortWaitCanRead(p.port, 20), 0);
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    device.QueueToHost({1, 2, 3});
  });
  EXPECT_EQ(HidPortWaitCanRead(p.port, 10000), 1);
  later.join();
}

TEST(HidPort, CloseJoinsTheWorkerAndClosesTheDevice) {
  FakeHidDevice device;
  HidPort* port = nullptr;
  ASSERT_EQ(HidPortOpen(&port, 0x16C0, 0x05DC, 0), 0);
  ASSERT_TRUE(device.WaitForFeatureCalls(3));
  HidPortClose(port);
  EXPECT_EQ(device.Closes(), 1);
  int calls = device.FeatureCalls();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(device.FeatureCalls(), calls);

  // A port whose worker already ended closes at once.
  device.FailFeatureReportsFrom(device.FeatureCalls() + 1);
  ASSERT_EQ(HidPortOpen(&port, 0x16C0, 0x05DC, 0), 0);
  ASSERT_EQ(HidPortWaitCanRead(port, 5000), -1);
  HidPortClose(port);
  EXPECT_EQ(device.Closes(), 2);
  HidPortClose(nullptr);
}

TEST(HidPort, MissingDeviceOpensNothing) {
  FakeHidDevice device;
  device.SetPresent(false);
  HidPort* port = reinterpret_cast<HidPort*>(1);
  EXPECT_EQ(HidPortOpen(&port, 0x16C0, 0x05DC, 0), -1);
  EXPECT_EQ(port, nullptr);
  Hid hid(port);
  EXPECT_FALSE(hid.IsOpen());
  EXPECT_EQ(device.Closes(), 0);
}

}  // namespace
