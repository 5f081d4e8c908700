// Calling foreign code with its faults contained.
//
// A codec library's self-registration entry point may crash: dereference a null pointer, raise an
// exception nobody catches. CallGuarded runs such an entry point so that a fault raised on the
// calling thread while it runs does not end the process: a vectored exception handler rewinds the
// thread to a recovery point taken just before the call, and the call reports the fault.
//
// Only faults (exception codes of warning or error severity) raised on the guarded thread while
// the guarded call runs are taken; every other exception, and every exception on other threads,
// goes on to the other handlers as if the guard were not there. Notifications of success or
// informational severity (OutputDebugString's, thread naming, GCC's own C++ exceptions on
// x86-64) are never taken, so a library that raises and handles them itself works as before.
//
// The handler is first in line: a fault that the library would have handled itself with a frame
// handler of its own is taken as well, and the call counts as faulted. The library's frames are
// abandoned, not unwound (its cleanup code does not run, and whatever it held stays held); a
// library that faulted is not to be trusted further and is freed.
//
// When the guard cannot be set up (no thread-local slot left), the entry point is not called and
// the call counts as faulted with code 0: an unguarded call could end the process.
#pragma once

#include <cstdint>

namespace quenlo::win32 {

// A self-registration entry point: no arguments, an HRESULT back.
using EntryPoint = std::int32_t(__stdcall*)();

struct GuardedCall {
  bool faulted = false;
  std::int32_t result = 0;          // what the entry point returned, when it did
  std::uint32_t exceptionCode = 0;  // the fault's exception code; 0 for a C++ exception
};

// Calls `entry` on this thread with its faults contained. Never throws. Guarded calls may nest.
GuardedCall CallGuarded(EntryPoint entry) noexcept;

}  // namespace quenlo::win32
