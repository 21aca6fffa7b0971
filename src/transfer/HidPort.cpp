#include "transfer/HidPort.h"

#include "transfer/Hid.h"

#include <ctime>
#include <new>

namespace {

int Status(HidPort* port) { return port->status.load(std::memory_order_acquire); }

// Sets a status that ends the worker and wakes a blocked reader.
void Stop(HidPort* port, int status) {
  pthread_mutex_lock(&port->inputMutex);
  port->status.store(status, std::memory_order_release);
  pthread_cond_broadcast(&port->inputArrived);
  pthread_mutex_unlock(&port->inputMutex);
}

// Caller holds inputMutex.
void AppendLocked(HidPort* port, const unsigned char* data, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    if (port->inputRead == port->inputWrite) break;  // full: the rest is dropped
    if (port->inputRead == -1) port->inputRead = port->inputWrite;
    port->inputBuffer[port->inputWrite] = data[i];
    port->inputWrite = (port->inputWrite + 1) % HidPortInputSize;
  }
  if (count > 0) pthread_cond_broadcast(&port->inputArrived);
}

}  // namespace

int HidPortOpen(HidPort** out, int vendorId, int productId, int unused) {
  HidPort* port = new (std::nothrow) HidPort;
  *out = port;
  if (!port) return -1;
  pthread_mutex_init(&port->inputMutex, nullptr);
  pthread_mutex_init(&port->outputMutex, nullptr);
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  pthread_cond_init(&port->inputArrived, &attr);
  pthread_condattr_destroy(&attr);
  port->inputWrite = 0;
  port->inputRead = -1;
  port->outputWrite = 0;
  port->outputRead = -1;
  port->deviceFree = 0;
  port->status = HidPortRunning;
  port->handle = NativeInvalidHandle;
  bool opened = WindowsHidOpen(&port->handle, vendorId, productId, unused);
  if (opened && pthread_create(&port->thread, nullptr, HidPortWorkerThreadMain, port) == 0) return 0;
  if (opened) WindowsHidClose(port->handle);
  pthread_cond_destroy(&port->inputArrived);
  pthread_mutex_destroy(&port->inputMutex);
  pthread_mutex_destroy(&port->outputMutex);
  delete port;
  *out = nullptr;
  return -1;
}

void HidPortClose(HidPort* port) {
  if (!port) return;
  // A worker that failed keeps its status; it has ended or ends at once.
  int running = HidPortRunning;
  if (port->status.compare_exchange_strong(running, HidPortCloseRequested)) {
    pthread_mutex_lock(&port->inputMutex);
    pthread_cond_broadcast(&port->inputArrived);
    pthread_mutex_unlock(&port->inputMutex);
  }
  pthread_join(port->thread, nullptr);
  pthread_cond_destroy(&port->inputArrived);
  pthread_mutex_destroy(&port->inputMutex);
  pthread_mutex_destroy(&port->outputMutex);
  WindowsHidClose(port->handle);
  delete port;
}

bool HidPortReadBlock(HidPort* port) {
  unsigned char report[HidReportLength] = {};
  report[0] = 0;
  if (!WindowsHidGetFeatureReport(port->handle, report, HidReportLength)) {
    port->deviceFree = 0;
    Stop(port, HidPortFeatureFailed);
    return false;
  }
  port->deviceFree = report[1] >> 3;
  HidPortAppendToInputBuffer(port, report + 2, report[1] & 7);
  return true;
}

void HidPortAppendToInputBuffer(HidPort* port, unsigned char* data, unsigned count) {
  if (count == 0) return;
  pthread_mutex_lock(&port->inputMutex);
  AppendLocked(port, data, count);
  pthread_mutex_unlock(&port->inputMutex);
}

void* HidPortWorkerThreadMain(void* arg) {
  HidPort* port = static_cast<HidPort*>(arg);
  while (Status(port) == HidPortRunning) {
    if (!HidPortReadBlock(port)) break;
    HidPortWriteIfPossible(port);
  }
  return nullptr;
}

void HidPortWriteIfPossible(HidPort* port) {
  unsigned char report[HidReportLength] = {};
  pthread_mutex_lock(&port->outputMutex);
  if (port->outputRead == -1 || port->deviceFree == 0) {
    pthread_mutex_unlock(&port->outputMutex);
    return;
  }
  int pending = port->outputRead == port->outputWrite
                    ? HidPortOutputSize
                    : (port->outputWrite - port->outputRead + HidPortOutputSize) % HidPortOutputSize;
  int limit = port->deviceFree < 6 ? port->deviceFree : 6;
  int n;
  if (pending <= limit)
    n = pending;
  else if (port->deviceFree >= 7)
    n = 7;
  else {
    pthread_mutex_unlock(&port->outputMutex);
    return;  // wait for more room
  }
  report[0] = 0;
  report[1] = static_cast<unsigned char>(n);
  for (int i = 0; i < n; ++i) {
    report[2 + i] = port->outputBuffer[port->outputRead];
    port->outputRead = (port->outputRead + 1) % HidPortOutputSize;
  }
  if (port->outputRead == port->outputWrite) port->outputRead = -1;
  pthread_mutex_unlock(&port->outputMutex);
  if (!WindowsHidSendOutputReport(port->handle, report, HidReportLength)) Stop(port, HidPortOutputFailed);
}

int HidPortReceiveBytes(HidPort* port, unsigned char* buffer, unsigned count) {
  if (!port || Status(port) != HidPortRunning) return -1;
  pthread_mutex_lock(&port->inputMutex);
  unsigned copied = 0;
  while (copied < count && port->inputRead != -1) {
    buffer[copied++] = port->inputBuffer[port->inputRead];
    port->inputRead = (port->inputRead + 1) % HidPortInputSize;
    if (port->inputRead == port->inputWrite) port->inputRead = -1;
  }
  pthread_mutex_unlock(&port->inputMutex);
  return static_cast<int>(copied);
}

int HidPortSendBytes(HidPort* port, unsigned char* data, unsigned count) {
  if (!port || Status(port) != HidPortRunning) return -1;
  pthread_mutex_lock(&port->outputMutex);
  if (count == 0) {
    pthread_mutex_unlock(&port->outputMutex);
    return 0;
  }
  if (port->outputRead == port->outputWrite) {
    pthread_mutex_unlock(&port->outputMutex);
    return -1;
  }
  for (unsigned i = 0; i < count; ++i) {
    if (port->outputRead == -1) port->outputRead = port->outputWrite;
    port->outputBuffer[port->outputWrite] = data[i];
    port->outputWrite = (port->outputWrite + 1) % HidPortOutputSize;
    if (port->outputWrite == port->outputRead) break;  // full
  }
  int result = port->outputRead == port->outputWrite ? -1 : 0;
  pthread_mutex_unlock(&port->outputMutex);
  return result;
}

int HidPortCanRead(HidPort* port) {
  if (!port || Status(port) != HidPortRunning) return -1;
  pthread_mutex_lock(&port->inputMutex);
  int result = port->inputRead != -1 ? 1 : 0;
  pthread_mutex_unlock(&port->inputMutex);
  return result;
}

int HidPortWaitCanRead(HidPort* port, unsigned milliseconds) {
  if (!port || Status(port) != HidPortRunning) return -1;
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  pthread_mutex_lock(&port->inputMutex);
  while (port->inputRead == -1 && Status(port) == HidPortRunning) {
    if (pthread_cond_timedwait(&port->inputArrived, &port->inputMutex, &deadline) != 0) break;
  }
  int result = Status(port) != HidPortRunning ? -1 : port->inputRead != -1 ? 1 : 0;
  pthread_mutex_unlock(&port->inputMutex);
  return result;
}
