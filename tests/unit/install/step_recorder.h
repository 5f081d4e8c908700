// Test helpers for the install steps.
//
// StepPauses is the clock of a step: each pause is recorded with the status line and the progress
// count shown at that moment, which is what the wizard's timer would see.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "install/session.h"
#include "platform/clock.h"

namespace quenlo::testing {

class StepPauses final : public platform::Clock {
 public:
  struct Pause {
    unsigned milliseconds;
    std::string line;
    std::int32_t progress;
    bool operator==(const Pause&) const = default;
  };

  explicit StepPauses(const SetupSession& session) : session_(session) {}

  void Sleep(unsigned milliseconds) override {
    pauses_.push_back(
        {milliseconds, session_.Status.StatusText(), session_.Status.ProgressValue()});
    if (onPause_) onPause_();
  }
  // Runs during each pause, after it is recorded.
  void OnPause(std::function<void()> hook) { onPause_ = std::move(hook); }
  const std::vector<Pause>& pauses() const { return pauses_; }

 private:
  const SetupSession& session_;
  std::function<void()> onPause_;
  std::vector<Pause> pauses_;
};

}  // namespace quenlo::testing
