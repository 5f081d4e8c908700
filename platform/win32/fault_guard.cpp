// The fault guard: one vectored exception handler for the process, one recovery point per
// guarded call.
//
// A guarded call keeps a Guard in its own stack frame and publishes it in a thread-local slot.
// When an exception is raised, the handler looks at the raising thread's slot: if a guard is armed
// there and the exception is a fault, it disarms the guard, notes the code, rewrites the faulting
// context into the recovery point and continues execution there. The thread then carries on in
// the guarded call's own frame, just past the call of the entry point, and reports the fault.
//
// What the recovery point holds differs between the two processors:
// - x86-64: the whole register context, taken with RtlCaptureContext. The thread keeps no
//   exception chain of its own there (frame handlers are found through the unwind tables), so the
//   registers and the stack pointer are all there is to restore.
// - i686: the callee-saved registers, the stack and frame pointers, the resume address and the
//   head of the thread's SEH chain (fs:[0]), taken by a few lines of assembly just before the
//   call. RtlCaptureContext is not used there: its i686 form takes the registers through its
//   caller's frame pointer, which does not give the state at the point of the call. The chain
//   head must be put back because the library may have linked frames of its own into the chain,
//   on the very stack that the rewind gives up.
#include <windows.h>

#include <atomic>
#include <cstddef>

#include "platform/win32/fault_guard.h"

namespace quenlo::win32 {
namespace {

#if defined(__x86_64__)

struct RecoveryPoint {
  CONTEXT context;
  volatile LONG armed = 0;  // set while the entry point runs
};

#elif defined(__i386__)

// Filled by CallWithRecoveryPoint below; the offsets are part of its code.
struct RecoveryPoint {
  DWORD esp = 0;  // as it was just before the call
  DWORD ebp = 0;
  DWORD ebx = 0;
  DWORD esi = 0;
  DWORD edi = 0;
  DWORD eip = 0;            // where a rewound thread resumes
  void* sehHead = nullptr;  // fs:[0] just before the call
  DWORD fpuControl = 0;     // x87 control word just before the call
  volatile LONG armed = 0;  // set while the entry point runs
};
static_assert(offsetof(RecoveryPoint, eip) == 20 && offsetof(RecoveryPoint, sehHead) == 24 &&
              offsetof(RecoveryPoint, fpuControl) == 28 && offsetof(RecoveryPoint, armed) == 32);

// Saves the recovery point, arms it and calls `entry` (cdecl: 8(%ebp) entry, 12(%ebp) point,
// 16(%ebp) result). Returns 0 when the entry point returned, its HRESULT stored in *result, and 1
// when the handler rewound the thread to the recovery point. In the second case the handler has
// restored esp, ebp, ebx, esi, edi and fs:[0] already; the resume code resets the x87 unit (the
// library may have left values on its register stack) and reloads the saved control word. The
// frame pointer is valid on both ways out, so the epilogue also undoes whatever the entry point
// did to the stack pointer.
__attribute__((naked, noinline, noclone)) int CallWithRecoveryPoint(EntryPoint, RecoveryPoint*,
                                                                    std::int32_t*) {
  __asm__(R"(
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %eax
    movl %esp, 0(%eax)
    movl %ebp, 4(%eax)
    movl %ebx, 8(%eax)
    movl %esi, 12(%eax)
    movl %edi, 16(%eax)
    movl $1f, 20(%eax)
    movl %fs:0, %ecx
    movl %ecx, 24(%eax)
    fnstcw 28(%eax)
    movl $1, 32(%eax)
    call *8(%ebp)
    movl 12(%ebp), %ecx
    movl $0, 32(%ecx)
    movl 16(%ebp), %ecx
    movl %eax, (%ecx)
    xorl %eax, %eax
    jmp 2f
1:
    movl 12(%ebp), %ecx
    fninit
    fldcw 28(%ecx)
    movl $1, %eax
2:
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
  )");
}

#else
#error "the fault guard knows only i686 and x86-64"
#endif

struct Guard {
  RecoveryPoint point;
  Guard* outer = nullptr;  // the guard of an enclosing guarded call on this thread
  volatile LONG faulted = 0;
  volatile DWORD code = 0;
};

// The thread-local slot holding each thread's innermost Guard (or nothing).
std::atomic<DWORD> guardSlot{TLS_OUT_OF_INDEXES};

// Severity warning (binary 10) or error (11). Success and informational codes (00, 01) are
// notifications that the raiser handles itself: GCC's C++ exceptions (0x2047434x),
// OutputDebugString (0x40010006, 0x4001000A), thread naming (0x406D1388).
bool IsFault(DWORD code) { return (code & 0x80000000u) != 0; }

void ResumeAtRecoveryPoint(CONTEXT& context, const RecoveryPoint& point) {
#if defined(__x86_64__)
  context = point.context;
#else
  context.Esp = point.esp;
  context.Ebp = point.ebp;
  context.Ebx = point.ebx;
  context.Esi = point.esi;
  context.Edi = point.edi;
  context.Eip = point.eip;
  context.EFlags &= ~0x400u;  // the calling convention expects the direction flag clear
  // The chain head is fs:[0], the first word of the thread's TIB, not part of the context; the
  // dispatcher continues from a vectored handler without touching it again.
  __asm__ volatile("movl %0, %%fs:0" : : "r"(point.sehHead) : "memory");
#endif
}

LONG CALLBACK TakeGuardedFault(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (!IsFault(code)) return EXCEPTION_CONTINUE_SEARCH;
  // Exceptions this handler passes on must find the thread as it was, last error included.
  const DWORD lastError = GetLastError();
  auto* guard = static_cast<Guard*>(TlsGetValue(guardSlot.load(std::memory_order_acquire)));
  SetLastError(lastError);
  if (guard == nullptr || !guard->point.armed) return EXCEPTION_CONTINUE_SEARCH;
  guard->point.armed = 0;
  guard->code = code;
  guard->faulted = 1;
  ResumeAtRecoveryPoint(*info->ContextRecord, guard->point);
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Allocates the slot and installs the handler, once; both stay for the life of the process.
bool GuardInstalled() {
  static const bool installed = [] {
    const DWORD slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) return false;
    guardSlot.store(slot, std::memory_order_release);
    return AddVectoredExceptionHandler(/*First=*/1, &TakeGuardedFault) != nullptr;
  }();
  return installed;
}

#if defined(__x86_64__)

// Called a second time, as setjmp is, when the handler resumes the context it captured. So
// declared, the compiler keeps no value in a register across the call.
extern "C" NTSYSAPI VOID NTAPI RtlCaptureContext(PCONTEXT ContextRecord)
    __attribute__((returns_twice));

// A GCC-built library's C++ exceptions are SEH exceptions of success severity on x86-64, which
// the handler leaves alone; one that leaves the entry point ends the call here. (On i686 such an
// exception cannot cross from the library's unwinder into this program's frames at all.)
__attribute__((noinline)) bool CallEntry(EntryPoint entry, std::int32_t& result) noexcept {
  try {
    result = entry();
    return true;
  } catch (...) {
    return false;
  }
}

#endif

}  // namespace

GuardedCall CallGuarded(EntryPoint entry) noexcept {
  if (!GuardInstalled()) return {true, 0, 0};
  const DWORD slot = guardSlot.load(std::memory_order_relaxed);
  Guard guard;
  guard.outer = static_cast<Guard*>(TlsGetValue(slot));
  TlsSetValue(slot, &guard);

#if defined(__x86_64__)
  RtlCaptureContext(&guard.point.context);
  if (guard.faulted) {  // the second return: rewound by the handler
    TlsSetValue(slot, guard.outer);
    return {true, 0, guard.code};
  }
  guard.point.armed = 1;
  std::int32_t result = 0;
  const bool returned = CallEntry(entry, result);
  guard.point.armed = 0;
  TlsSetValue(slot, guard.outer);
  if (!returned) return {true, 0, 0};
  return {false, result, 0};
#else
  std::int32_t result = 0;
  const int rewound = CallWithRecoveryPoint(entry, &guard.point, &result);
  TlsSetValue(slot, guard.outer);
  if (rewound != 0) return {true, 0, guard.code};
  return {false, result, 0};
#endif
}

}  // namespace quenlo::win32
