// A log file that a person or a deployment tool reads: lines of GBK text in, UTF-8 lines on
// disk, each handed to the system when WriteLine returns (not held in a buffer of the process),
// so that the log says how far a setup came even when the process did not end normally.
#pragma once

#include <string>

namespace quenlo::platform {

class LogFile {
 public:
  virtual ~LogFile() = default;
  // Appends one line (GBK, without its line end); a line that cannot be written is lost, and the
  // setup goes on.
  virtual void WriteLine(const std::string& gbk) = 0;
};

}  // namespace quenlo::platform
