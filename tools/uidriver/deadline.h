// Time limits of the driver's waits, in milliseconds on the system's tick count. (<chrono> is
// avoided: in C++20 it holds a literal that the GBK execution character set cannot encode.)
#pragma once

#include <windows.h>

namespace quenlo::uidriver {

using Milliseconds = unsigned long;

class Deadline {
 public:
  explicit Deadline(Milliseconds limit) : end_(GetTickCount64() + limit) {}
  bool Passed() const { return GetTickCount64() >= end_; }

 private:
  ULONGLONG end_;
};

}  // namespace quenlo::uidriver
