#include "toolkit/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace MessageBox {
namespace {

std::mutex serviceMutex;
thread_local NativeWindow currentOwner = nullptr;

Service& CurrentService() {
  static Service service;
  return service;
}

Result WriteToStandardError(const std::string& text, const std::string& caption, Buttons buttons) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  // Nobody can answer: a question counts as refused, so nothing is discarded.
  switch (buttons) {
  case Buttons::Ok:
    return Result::Ok;
  case Buttons::YesNo:
    return Result::No;
  default:
    return Result::Cancel;
  }
}

}  // namespace

Service SetService(Service service) {
  std::lock_guard<std::mutex> lock(serviceMutex);
  return std::exchange(CurrentService(), std::move(service));
}

Result Show(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
  return Show(nullptr, text, caption, buttons, icon);
}

Result Show(NativeWindow owner, const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
  Service service;
  {
    std::lock_guard<std::mutex> lock(serviceMutex);
    service = CurrentService();
  }
  if (!service) return WriteToStandardError(text, caption, buttons);
  // Restored afterwards, so a box shown while another is up keeps its own owner.
  struct OwnerScope {
    NativeWindow previous;
    explicit OwnerScope(NativeWindow owner) : previous(std::exchange(currentOwner, owner)) {}
    ~OwnerScope() { currentOwner = previous; }
  } scope(owner);
  return service(text, caption, buttons, icon);
}

NativeWindow Owner() { return currentOwner; }

}  // namespace MessageBox
