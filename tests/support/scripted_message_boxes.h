// Message boxes answered from a script, remembering every box that was shown.
#pragma once

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace quenlo::testing {

class ScriptedMessageBoxes final : public platform::MessageBoxes {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    unsigned flags;
  };

  void Answer(int button) { answers_.push_back(button); }

  int Show(const std::string& text, const std::string& caption, unsigned flags) override {
    shown_.push_back({text, caption, flags});
    if (answers_.empty()) throw std::logic_error("unexpected message box: " + text);
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  const std::vector<Shown>& shown() const { return shown_; }

 private:
  std::deque<int> answers_;
  std::vector<Shown> shown_;
};

}  // namespace quenlo::testing
