// The one error type of the UI driver: what failed, with the control, window or wait involved.
// Messages are UTF-8 (texts read from the program are converted), so they go into JSON and
// test output unchanged.
#pragma once

#include <stdexcept>
#include <string>

namespace quenlo::uidriver {

class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "what: system message (code N)" for a Win32 error code.
std::string SystemErrorText(const std::string& what, unsigned long code);

}  // namespace quenlo::uidriver
