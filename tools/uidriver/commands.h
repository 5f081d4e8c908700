// The commands of quenlo-uidrive: one script line (already split into words) runs one command on
// a Driver and gives the JSON fields to print. The command list is in README.md.
#pragma once

#include <string>
#include <vector>

#include "tools/uidriver/driver.h"
#include "tools/uidriver/json.h"

namespace quenlo::uidriver {

class CommandRunner {
 public:
  CommandRunner() = default;

  // Runs one command (words in UTF-8) and returns the fields of its result; throws DriverError
  // when it fails or the command is unknown or malformed.
  Json Run(const std::vector<std::string>& words);

  Driver& GetDriver() { return driver_; }

 private:
  Driver driver_;
  StartOptions nextStart_;
};

// What a message box shows, as JSON (UTF-8).
Json MessageBoxToJson(const MessageBoxInfo& box);

}  // namespace quenlo::uidriver
