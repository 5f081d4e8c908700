// The install's clock: the pauses it makes after its status lines, so that a person can read
// them. The Win32 backend sleeps; the tests' double records each pause; a benchmark may skip them.
#pragma once

namespace quenlo::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Pauses the calling thread for about `milliseconds`.
  virtual void Sleep(unsigned milliseconds) = 0;
};

}  // namespace quenlo::platform
