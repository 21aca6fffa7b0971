#pragma once
// A byte stream to the board: a serial port or the USB HID bootloader.

// The value of a native handle that refers to nothing (all bits set).
inline void* const NativeInvalidHandle = reinterpret_cast<void*>(~static_cast<unsigned long>(0));

class Port {
public:
  virtual ~Port() = default;
  // The stream can be used.
  virtual bool IsOpen() = 0;
  // At least one received byte is waiting.
  virtual bool CanRead() = 0;
  // Copies at most count waiting bytes; never waits. The number copied, or -1.
  virtual int ReceiveBytes(void* buffer, unsigned count) = 0;
  // Hands count bytes to the device; true on success.
  virtual bool Send(void* data, unsigned count) = 0;
  // Waits at most the given time for a received byte and returns as soon as
  // one is waiting; true when one is. Lets the uploaders block on the device
  // instead of sleeping out a whole polling step.
  virtual bool WaitCanRead(unsigned milliseconds) = 0;
};
