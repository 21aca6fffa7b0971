#include "toolkit/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace MessageBox {
namespace {

std::mutex serviceMutex;

Service& CurrentService() {
  static Service service;
  return service;
}

Result WriteToStandardError(const std::string& text, const std::string& caption, Buttons buttons) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  // Nobody can answer: a question counts as cancelled, so nothing is discarded.
  return buttons == Buttons::Ok ? Result::Ok : Result::Cancel;
}

} // namespace

Service SetService(Service service) {
  std::lock_guard<std::mutex> lock(serviceMutex);
  return std::exchange(CurrentService(), std::move(service));
}

Result Show(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
  Service service;
  {
    std::lock_guard<std::mutex> lock(serviceMutex);
    service = CurrentService();
  }
  if (!service)
    return WriteToStandardError(text, caption, buttons);
  return service(text, caption, buttons, icon);
}

} // namespace MessageBox
