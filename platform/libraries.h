// Dynamic libraries as codec registration uses them: load a library by its full path, find a
// no-argument entry point that returns an HRESULT, call it with any fault that escapes it
// contained, and free the library again, all in one call that is given up when it does not end
// within a time limit.
#pragma once

#include <cstdint>
#include <string>

namespace quenlo::platform {

// How one call of a library's entry point ended.
struct EntryPointOutcome {
  enum class Kind {
    NotLoaded,     // the file could not be loaded as a library
    NoEntryPoint,  // loaded, but it exports no entry point of that name
    Returned,      // the entry point returned `result`
    Faulted,       // the entry point raised an exception (`exceptionCode`), which was contained
    TimedOut,      // the call did not end within its time limit and was given up
  };
  Kind kind = Kind::NotLoaded;
  std::int32_t result = 0;          // the HRESULT, for Returned
  std::uint32_t exceptionCode = 0;  // for Faulted: the exception code; 0 for a C++ exception

  static EntryPointOutcome Returning(std::int32_t hresult) { return {Kind::Returned, hresult, 0}; }
  static EntryPointOutcome Faulting(std::uint32_t code) { return {Kind::Faulted, 0, code}; }
  static EntryPointOutcome TimingOut() { return {Kind::TimedOut, 0, 0}; }
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  // Loads the library at `path` (a full path; the library's own dependencies are found in its own
  // folder and the system folder, never in the setup program's folder or the current folder),
  // calls its exported entry point `name`, and frees the library on every way out, after a fault
  // too: when this returns, the library holds no reference taken by this call. A call that has
  // not ended after `timeLimitMs` milliseconds is given up: it ends TimedOut, and whatever it
  // still does goes on without the caller and touches nothing of the caller's; its library stays
  // loaded.
  virtual EntryPointOutcome CallEntryPoint(const std::string& path, const std::string& name,
                                           std::uint32_t timeLimitMs) = 0;
};

}  // namespace quenlo::platform
