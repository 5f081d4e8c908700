// Calling foreign code with its faults contained.
//
// A codec library's self-registration entry point may crash: dereference a null pointer, raise an
// exception nobody catches. CallGuarded runs such an entry point so that a fault that escapes it
// does not end the process: a handler frame of the call's own, between the caller and the entry
// point, takes the fault, unwinds the entry point's frames and resumes just past the call, which
// then reports the fault.
//
// The guard's frame is the outermost frame of the call, so it is asked last: a fault that the
// library, or a system routine it calls, handles itself (a memory probe, its own handler frames,
// its own C++ exceptions, vectored handlers) runs through those handlers exactly as it would
// without the guard, and never reaches it. Only a fault that no handler inside the call takes is
// contained. The library's frames are then unwound the way structured exception handling unwinds
// them: each frame's termination handler runs (releasing what that frame held) before the thread
// resumes.
//
// Only faults (exception codes of warning or error severity) are taken; an escaping notification
// of success or informational severity goes on outwards. On x86-64 the GCC runtime's C++
// exceptions are such notifications: one that leaves the entry point is caught past the guard's
// frame and counts as a fault with code 0. Exceptions on other threads never meet the guard: each
// thread has its own chain of frames.
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

// Calls `entry` on this thread with the faults that escape it contained. Never throws. Guarded
// calls may nest; the innermost guard takes the fault.
GuardedCall CallGuarded(EntryPoint entry) noexcept;

}  // namespace quenlo::win32
