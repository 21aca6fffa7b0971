#pragma once
// The USB HID bootloader device: the device functions over hidapi and the
// stream class Hid over a HidPort.
#include "transfer/HidPort.h"
#include "transfer/Port.h"

// True when the HID library could be initialised (done once at start-up).
extern bool hidApiInitialized;
bool InitHidApi();

// The four device functions. Each goes through the installed device
// functions below, which are the hidapi ones unless a test replaced them.
bool WindowsHidOpen(void** handle, int vendorId, int productId, int unused);
bool WindowsHidClose(void* handle);
bool WindowsHidSendOutputReport(void* handle, unsigned char* report, unsigned length);
bool WindowsHidGetFeatureReport(void* handle, unsigned char* buffer, unsigned length);

struct HidDeviceFunctions {
  bool (*open)(void** handle, int vendorId, int productId, int unused);
  bool (*close)(void* handle);
  bool (*sendOutputReport)(void* handle, unsigned char* report, unsigned length);
  bool (*getFeatureReport)(void* handle, unsigned char* buffer, unsigned length);
};
// Replaces the device functions (for a fake device in tests); null restores
// hidapi. Only while no port is open.
void HidSetDeviceFunctions(const HidDeviceFunctions* functions);

class Hid : public Port {
public:
  HidPort* port = nullptr;

  explicit Hid(HidPort* p = nullptr) : port(p) {}
  Hid(const Hid&) = delete;
  Hid& operator=(const Hid&) = delete;
  ~Hid() override { HidPortClose(port); }

  bool IsOpen() override { return port != nullptr; }
  bool CanRead() override { return HidPortCanRead(port) > 0; }
  int ReceiveBytes(void* buffer, unsigned count) override {
    return HidPortReceiveBytes(port, static_cast<unsigned char*>(buffer), count);
  }
  bool Send(void* data, unsigned count) override {
    return HidPortSendBytes(port, static_cast<unsigned char*>(data), count) == 0;
  }
  bool WaitCanRead(unsigned milliseconds) override { return HidPortWaitCanRead(port, milliseconds) > 0; }
};
