// Libraries answered from a script: each path is given the outcome its entry points produce; a
// path without a script does not load. Every call is remembered, and a hook can look at the
// world at the moment of a call.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/libraries.h"

namespace quenlo::testing {

class FakeLibraries final : public platform::Libraries {
 public:
  struct Call {
    std::string path;
    std::string entryPoint;
    std::uint32_t timeLimitMs;
  };

  // Every entry point of the library at `path` ends with `outcome`.
  void Script(const std::string& path, platform::EntryPointOutcome outcome) {
    outcomes_[path] = outcome;
  }
  // Runs at each call, before the outcome is returned.
  void OnCall(std::function<void(const Call&)> hook) { hook_ = std::move(hook); }

  platform::EntryPointOutcome CallEntryPoint(const std::string& path, const std::string& name,
                                             std::uint32_t timeLimitMs) override;

  const std::vector<Call>& calls() const { return calls_; }

 private:
  std::map<std::string, platform::EntryPointOutcome> outcomes_;
  std::function<void(const Call&)> hook_;
  std::vector<Call> calls_;
};

}  // namespace quenlo::testing
