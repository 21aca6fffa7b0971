#pragma once
// Records every message box shown through the MessageBox service while it
// lives, and answers from a script: then Ok for OK boxes and the given
// answer for questions.
#include "toolkit/MessageBox.h"
#include "toolkit/NativeWindow.h"

#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct RecordedBox {
  std::string text, caption;
  MessageBox::Buttons buttons;
  MessageBox::Icon icon;
  NativeWindow owner;
};

class BoxRecorder {
public:
  using Box = RecordedBox;

  explicit BoxRecorder(std::deque<MessageBox::Result> script = {},
                       MessageBox::Result unscriptedQuestion = MessageBox::Result::Cancel)
      : answers(std::move(script)), questionAnswer(unscriptedQuestion) {
    previous = MessageBox::SetService([this](const std::string& text, const std::string& caption,
                                             MessageBox::Buttons buttons, MessageBox::Icon icon) {
      std::lock_guard lock(mutex);
      boxes.push_back({text, caption, buttons, icon, MessageBox::Owner()});
      if (!answers.empty()) {
        MessageBox::Result answer = answers.front();
        answers.pop_front();
        return answer;
      }
      return buttons == MessageBox::Buttons::Ok ? MessageBox::Result::Ok : questionAnswer;
    });
  }
  ~BoxRecorder() { MessageBox::SetService(previous); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  // A copy, for boxes shown from another thread.
  std::vector<Box> Boxes() {
    std::lock_guard lock(mutex);
    return boxes;
  }

  std::vector<Box> boxes;
  std::deque<MessageBox::Result> answers;

private:
  MessageBox::Result questionAnswer;
  std::mutex mutex;
  MessageBox::Service previous;
};
