// The pacing clock: Sleep, with the system timer's resolution raised to 1 ms while the clock
// lives, so that pauses of a few milliseconds last about that long (not a 15.6 ms tick).
//
// The timer functions live in winmm.dll, which is not one of the libraries Windows always takes
// from the system folder: imported, it would be looked for beside the program first, before any
// code of ours runs, and a copy planted in the Downloads folder would run with administrator
// rights. So it is loaded here, from the system folder only; without it the pauses are longer.
#include <windows.h>

#include <string>

#include "platform/win32/backend.h"

namespace quenlo::win32 {
namespace {

using TimerPeriodFunction = UINT(WINAPI*)(UINT);

// winmm.dll from the system folder, by its full path; nullptr when it cannot be loaded.
HMODULE LoadSystemWinmm() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\winmm.dll";
  // Its own imports from the system folder too; the flag is unknown before the update that
  // brought it (ERROR_INVALID_PARAMETER), where the full path and the altered search do the same.
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
    module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return module;
}

TimerPeriodFunction Find(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(module, name);
  return reinterpret_cast<TimerPeriodFunction>(reinterpret_cast<void (*)()>(address));
}

class Win32Clock final : public platform::Clock {
 public:
  Win32Clock()
      : winmm_(LoadSystemWinmm()),
        beginPeriod_(Find(winmm_, "timeBeginPeriod")),
        endPeriod_(Find(winmm_, "timeEndPeriod")) {
    if (beginPeriod_ != nullptr && endPeriod_ != nullptr) raised_ = beginPeriod_(1) == 0;
  }
  ~Win32Clock() override {
    if (raised_) endPeriod_(1);
    if (winmm_ != nullptr) FreeLibrary(winmm_);
  }
  Win32Clock(const Win32Clock&) = delete;
  Win32Clock& operator=(const Win32Clock&) = delete;

  void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }

 private:
  HMODULE winmm_;
  TimerPeriodFunction beginPeriod_;
  TimerPeriodFunction endPeriod_;
  bool raised_ = false;
};

}  // namespace

std::unique_ptr<platform::Clock> MakeClock() { return std::make_unique<Win32Clock>(); }

}  // namespace quenlo::win32
