#include "transfer/Hid.h"

#include <hidapi.h>

#include <atomic>

namespace {

bool HidapiOpen(void** handle, int vendorId, int productId, int) {
  *handle = NativeInvalidHandle;
  if (!hidApiInitialized) return false;
  hid_device* device = hid_open(static_cast<unsigned short>(vendorId), static_cast<unsigned short>(productId), nullptr);
  if (!device) return false;
  *handle = device;
  return true;
}

bool HidapiClose(void* handle) {
  if (handle == NativeInvalidHandle || !handle) return true;
  hid_close(static_cast<hid_device*>(handle));
  return true;
}

bool HidapiSendOutputReport(void* handle, unsigned char* report, unsigned length) {
  if (handle == NativeInvalidHandle) return false;
  return hid_write(static_cast<hid_device*>(handle), report, length) >= 0;
}

bool HidapiGetFeatureReport(void* handle, unsigned char* buffer, unsigned length) {
  if (handle == NativeInvalidHandle) return false;
  return hid_get_feature_report(static_cast<hid_device*>(handle), buffer, length) >= 0;
}

const HidDeviceFunctions hidapiFunctions = {HidapiOpen, HidapiClose, HidapiSendOutputReport, HidapiGetFeatureReport};
std::atomic<const HidDeviceFunctions*> deviceFunctions{&hidapiFunctions};

}  // namespace

bool InitHidApi() { return hid_init() == 0; }

bool hidApiInitialized = InitHidApi();

void HidSetDeviceFunctions(const HidDeviceFunctions* functions) {
  deviceFunctions = functions ? functions : &hidapiFunctions;
}

bool WindowsHidOpen(void** handle, int vendorId, int productId, int unused) {
  return deviceFunctions.load()->open(handle, vendorId, productId, unused);
}

bool WindowsHidClose(void* handle) {
  if (handle == NativeInvalidHandle) return true;
  return deviceFunctions.load()->close(handle);
}

bool WindowsHidSendOutputReport(void* handle, unsigned char* report, unsigned length) {
  return deviceFunctions.load()->sendOutputReport(handle, report, length);
}

bool WindowsHidGetFeatureReport(void* handle, unsigned char* buffer, unsigned length) {
  return deviceFunctions.load()->getFeatureReport(handle, buffer, length);
}
