#include "platform/registry.h"

#include "base/path.h"

namespace quenlo::platform {

std::string TrimKeyPath(const std::string& path) {
  std::string trimmed =
      path.substr(path.find_first_not_of('\\') == std::string::npos ? path.size()
                                                                    : path.find_first_not_of('\\'));
  while (EndsWithBackslash(trimmed)) trimmed.pop_back();
  return trimmed;
}

}  // namespace quenlo::platform
