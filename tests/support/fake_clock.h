// The pacing clock of the tests: each pause is recorded instead of waited, and a test may look at
// what a step has published at that moment.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace quenlo::testing {

class FakeClock final : public platform::Clock {
 public:
  void Sleep(unsigned milliseconds) override {
    sleeps_.push_back(milliseconds);
    if (onSleep_) onSleep_(milliseconds);
  }
  // Called at every pause, after it is recorded.
  void OnSleep(std::function<void(unsigned)> hook) { onSleep_ = std::move(hook); }
  const std::vector<unsigned>& sleeps() const { return sleeps_; }

 private:
  std::vector<unsigned> sleeps_;
  std::function<void(unsigned)> onSleep_;
};

}  // namespace quenlo::testing
