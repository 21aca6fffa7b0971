#pragma once
// The USB HID bootloader as a byte stream: a worker thread polls the
// device's 9-byte feature report (room in the device and up to 7 bytes from
// it) and sends 9-byte output reports (up to 7 bytes to it), moving bytes
// between the device and two rings that the uploader's thread fills and
// empties.
#include <atomic>
#include <pthread.h>

struct HidPort {
  pthread_mutex_t inputMutex;
  unsigned char inputBuffer[2048];
  int inputWrite;
  int inputRead;  // -1: empty; equal to inputWrite: full
  pthread_mutex_t outputMutex;
  unsigned char outputBuffer[8192];
  int outputWrite;
  int outputRead;  // -1: empty; equal to outputWrite: full
  int deviceFree;  // room in the device's receive buffer (worker only)
  // 0 running, 1 close requested, 2 feature report failed, 3 output report failed
  std::atomic<int> status;
  void* handle;
  pthread_t thread;
  // Signalled under inputMutex when bytes arrive or the worker stops, so a
  // reader can block until then.
  pthread_cond_t inputArrived;
};

enum HidPortStatus {
  HidPortRunning = 0,
  HidPortCloseRequested = 1,
  HidPortFeatureFailed = 2,
  HidPortOutputFailed = 3,
};

inline constexpr int HidPortInputSize = 2048;
inline constexpr int HidPortOutputSize = 8192;
inline constexpr unsigned HidReportLength = 9;

// 0 and a running port, or -1 and null.
int HidPortOpen(HidPort** port, int vendorId, int productId, int unused);
// Stops and joins the worker, closes the device, frees the port; null is fine.
void HidPortClose(HidPort* port);
int HidPortReceiveBytes(HidPort* port, unsigned char* buffer, unsigned count);
// 0, or -1 when the ring is full afterwards (the bytes that fitted stay queued).
int HidPortSendBytes(HidPort* port, unsigned char* data, unsigned count);
// 1 a byte is waiting, 0 none, -1 the port failed.
int HidPortCanRead(HidPort* port);
// Like HidPortCanRead, but waits at most the given time for a byte.
int HidPortWaitCanRead(HidPort* port, unsigned milliseconds);

// The worker's steps.
void* HidPortWorkerThreadMain(void* port);
void HidPortWriteIfPossible(HidPort* port);
bool HidPortReadBlock(HidPort* port);
void HidPortAppendToInputBuffer(HidPort* port, unsigned char* data, unsigned count);
