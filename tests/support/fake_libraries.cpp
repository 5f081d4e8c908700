#include "tests/support/fake_libraries.h"

namespace quenlo::testing {

platform::EntryPointOutcome FakeLibraries::CallEntryPoint(const std::string& path,
                                                          const std::string& name,
                                                          std::uint32_t timeLimitMs) {
  calls_.push_back({path, name, timeLimitMs});
  if (hook_) hook_(calls_.back());
  const auto found = outcomes_.find(path);
  if (found == outcomes_.end()) return {platform::EntryPointOutcome::Kind::NotLoaded, 0, 0};
  return found->second;
}

}  // namespace quenlo::testing
