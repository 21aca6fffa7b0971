#pragma once
// A dialog for tests: its controls come from a builder run in PutControls,
// and it records OnOK, timer ticks and handler calls.
#include "toolkit/Gui.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class ProbeDialog : public NativeDialog {
public:
  using Builder = std::function<void(ProbeDialog&)>;

  ProbeDialog(NativeWindow parent, int width, int height, std::string caption, Builder build)
      : caption(std::move(caption)), build(std::move(build)) {
    Create(parent, width, height, this->caption);
  }
  ~ProbeDialog() {
    for (NativeControl* control : controls) delete control;
  }

  void PutControls() override {
    if (build) build(*this);
  }
  bool OnOK() override {
    log.push_back("OnOK");
    return acceptOK;
  }
  void OnTimer() override {
    ++ticks;
    if (onTimer) onTimer(*this);
  }

  template <typename Control, typename... Args>
  Control* Add(Args&&... args) {
    auto* control = new Control(this, std::forward<Args>(args)...);
    controls.push_back(control);
    return control;
  }

  void First(NativeControl* control) { log.push_back("first " + std::to_string(control->id)); }
  void Second(NativeControl* control) { log.push_back("second " + std::to_string(control->id)); }
  void Custom(NativeControl* control) {
    if (onCustom) onCustom(*this, control);
  }

  std::string caption;
  Builder build;
  bool acceptOK = true;
  int ticks = 0;
  std::function<void(ProbeDialog&)> onTimer;
  std::function<void(ProbeDialog&, NativeControl*)> onCustom;
  std::vector<std::string> log;
  std::vector<NativeControl*> controls;
};
