// The pacing clock: Sleep, with the system timer's resolution raised to 1 ms while the clock
// lives, so that pauses of a few milliseconds last about that long (not a 15.6 ms tick).
#include <windows.h>
// mmsystem.h needs windows.h first.
#include <mmsystem.h>

#include "platform/win32/backend.h"

namespace quenlo::win32 {
namespace {

class Win32Clock final : public platform::Clock {
 public:
  Win32Clock() { timeBeginPeriod(1); }
  ~Win32Clock() override { timeEndPeriod(1); }
  Win32Clock(const Win32Clock&) = delete;
  Win32Clock& operator=(const Win32Clock&) = delete;

  void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

std::unique_ptr<platform::Clock> MakeClock() { return std::make_unique<Win32Clock>(); }

}  // namespace quenlo::win32
