#pragma once
// What both uploaders share: their exception and the two ints they share
// with the transfer's progress dialog (the cancel flag and the state).
#include <atomic>
#include <string>

// An upload error with the German text shown to the user.
class UploaderException {
public:
  std::string message;

  UploaderException(const char* text) : message(text) {}
  UploaderException(const std::string& text) : message(text) {}
};

// The cancel flag and the state are plain ints owned by the transfer and
// touched by two threads; every access goes through an atomic view so that
// neither side ever sees a torn or stale-for-ever value.
inline int ReadSharedInt(int* value) {
  return value ? std::atomic_ref<int>(*value).load(std::memory_order_relaxed) : 0;
}
inline void WriteSharedInt(int* value, int newValue) {
  if (value) std::atomic_ref<int>(*value).store(newValue, std::memory_order_relaxed);
}

// Values of the transfer's state.
enum TransferState {
  TransferDone = 0,
  TransferGenerating = 1,
  TransferCompiling = 2,
  TransferWaitingForReset = 3,
  TransferSending = 4,
};
