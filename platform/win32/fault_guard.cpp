// The fault guard: a few lines of assembly that call the entry point inside a handler frame of
// their own, and the frame's handler.
//
// The system asks frame handlers innermost first and only in the search for a handler, so the
// guard's handler sees only what every frame of the entry point has passed on. When it takes a
// fault it first has the system unwind the frames between the fault and the guard's frame (their
// termination handlers run), then the thread resumes in the guard's frame just past the call,
// with the registers the calling convention keeps as they were before the call.
//
// How the frame is made differs between the two processors:
// - i686: a registration record pushed on the stack and linked at the head of the thread's chain
//   (fs:[0]); the record also holds the recovery point that the handler resumes at. RtlUnwind
//   calls the inner records' handlers for the unwind and unlinks them; it returns to the handler,
//   which then restores the saved registers and jumps to the recovery point.
// - x86-64: unwind data for the assembly routine that names the handler for the search. The
//   handler finds the recovery point in the routine's frame; RtlUnwindEx unwinds to that frame and
//   resumes it at the recovery label itself. GCC's C++ exceptions are not faults: one that leaves
//   the entry point passes the routine by its unwind data and is caught in CallGuarded.
#include <windows.h>

#include <cstddef>

#include "platform/win32/fault_guard.h"

namespace quenlo::win32 {
namespace {

// Severity warning (binary 10) or error (11). Success and informational codes (00, 01) are
// notifications that the raiser handles itself: GCC's C++ exceptions (0x2047434x),
// OutputDebugString (0x40010006, 0x4001000A), thread naming (0x406D1388).
bool IsFault(DWORD code) { return (code & 0x80000000u) != 0; }

// A handler called with one of these flags is told of an unwind, not asked to handle.
constexpr DWORD kUnwindFlags = EXCEPTION_UNWIND;

}  // namespace

#if defined(__i386__)

namespace {

// Filled by CallWithGuardFrame below; the offsets are part of its code.
struct RecoveryPoint {
  DWORD esp = 0;  // just before the call: pointing at the registration record
  DWORD ebp = 0;
  DWORD ebx = 0;
  DWORD esi = 0;
  DWORD edi = 0;
  DWORD eip = 0;         // where the thread resumes after a fault
  DWORD fpuControl = 0;  // x87 control word just before the call
  DWORD code = 0;        // the fault taken, written by the handler
};
static_assert(offsetof(RecoveryPoint, eip) == 20 && offsetof(RecoveryPoint, fpuControl) == 24);

// The registration record on the stack: the two words the system reads, then the guard's own.
struct GuardRecord {
  GuardRecord* next;
  void* handler;
  RecoveryPoint* point;
};

}  // namespace

// Both named for the assembly below.
extern "C" EXCEPTION_DISPOSITION __cdecl TakeEscapedFault(
    EXCEPTION_RECORD*, void*, CONTEXT*, void*) __asm__("quenlo_take_escaped_fault");
extern "C" int CallWithGuardFrame(EntryPoint, RecoveryPoint*,
                                  std::int32_t*) __asm__("quenlo_call_with_guard_frame");

// Links a GuardRecord at the head of the chain, saves the recovery point and calls `entry`
// (cdecl: 8(%ebp) entry, 12(%ebp) point, 16(%ebp) result). Returns 0 when the entry point
// returned, its HRESULT stored in *result, and 1 when the handler took a fault and resumed at 1:.
// On that way esp, ebp, ebx, esi and edi are back as saved, the inner records are unlinked, and
// the resume code resets the x87 unit (the library may have left values on its register stack)
// and reloads the saved control word. Either way the record is unlinked (its `next`, at -24(%ebp),
// goes back to fs:[0]) and the epilogue, through the frame pointer, also undoes whatever the
// entry point did to the stack pointer.
__asm__(R"(
    .text
    .p2align 4
quenlo_call_with_guard_frame:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %eax
    pushl %eax
    pushl $quenlo_take_escaped_fault
    pushl %fs:0
    movl %esp, %fs:0
    movl %esp, 0(%eax)
    movl %ebp, 4(%eax)
    movl %ebx, 8(%eax)
    movl %esi, 12(%eax)
    movl %edi, 16(%eax)
    movl $1f, 20(%eax)
    fnstcw 24(%eax)
    call *8(%ebp)
    movl 16(%ebp), %ecx
    movl %eax, (%ecx)
    xorl %eax, %eax
    jmp 2f
1:
    movl 12(%ebp), %ecx
    fninit
    fldcw 24(%ecx)
    movl $1, %eax
2:
    movl -24(%ebp), %ecx
    movl %ecx, %fs:0
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

# ResumeAtRecoveryPoint(point): never returns. Leaves the handler's own frames and the
# dispatcher's below them, as a handler that resumes its function's code does.
quenlo_resume_at_recovery_point:
    movl 4(%esp), %eax
    movl 4(%eax), %ebp
    movl 8(%eax), %ebx
    movl 12(%eax), %esi
    movl 16(%eax), %edi
    movl 0(%eax), %esp
    cld
    jmp *20(%eax)
)");

extern "C" [[noreturn]] void ResumeAtRecoveryPoint(RecoveryPoint*) __asm__(
    "quenlo_resume_at_recovery_point");

EXCEPTION_DISPOSITION __cdecl TakeEscapedFault(EXCEPTION_RECORD* record, void* establisherFrame,
                                               CONTEXT*, void*) {
  if ((record->ExceptionFlags & kUnwindFlags) != 0) return ExceptionContinueSearch;
  if (!IsFault(record->ExceptionCode)) return ExceptionContinueSearch;
  RecoveryPoint* const point = static_cast<GuardRecord*>(establisherFrame)->point;
  point->code = record->ExceptionCode;
  // Calls every record above the guard's for the unwind and unlinks it; then the chain's head is
  // the guard's record again.
  RtlUnwind(establisherFrame, nullptr, record, nullptr);
  ResumeAtRecoveryPoint(point);
}

GuardedCall CallGuarded(EntryPoint entry) noexcept {
  RecoveryPoint point;
  std::int32_t result = 0;
  if (CallWithGuardFrame(entry, &point, &result) != 0) return {true, 0, point.code};
  return {false, result, 0};
}

#elif defined(__x86_64__)

namespace {

struct RecoveryPoint {
  DWORD code = 0;  // the fault taken, written by the handler
};

// Where the routine below keeps the RecoveryPoint*, from the frame's stack pointer (the
// establisher frame: the routine sets no frame register). Part of its code.
constexpr std::size_t kPointSlot = 32;

}  // namespace

extern "C" EXCEPTION_DISPOSITION TakeEscapedFault(
    EXCEPTION_RECORD*, void*, CONTEXT*, DISPATCHER_CONTEXT*) __asm__("quenlo_take_escaped_fault");
extern "C" int CallWithGuardFrame(EntryPoint, RecoveryPoint*,
                                  std::int32_t*) __asm__("quenlo_call_with_guard_frame");
extern "C" void GuardResumeLabel() __asm__("quenlo_guard_resume");

// CallWithGuardFrame(entry: rcx, point: rdx, result: r8): keeps `point` at 32(%rsp) for the
// handler and `result` in rbx, calls `entry`, and returns 0 with the HRESULT stored, or 1 when the
// handler's unwind resumed the frame at quenlo_guard_resume (with rsp and rbx as in the body).
// The unwind data (.seh_*) describe the prologue, so both the search and every unwind pass the
// routine correctly; the handler is named for the search only.
__asm__(R"(
    .text
    .p2align 4
    .def quenlo_call_with_guard_frame; .scl 3; .type 32; .endef
    .seh_proc quenlo_call_with_guard_frame
quenlo_call_with_guard_frame:
    pushq %rbx
    .seh_pushreg %rbx
    subq $48, %rsp
    .seh_stackalloc 48
    .seh_endprologue
    .seh_handler quenlo_take_escaped_fault, @except
    movq %rdx, 32(%rsp)
    movq %r8, %rbx
    call *%rcx
    movl %eax, (%rbx)
    xorl %eax, %eax
    jmp 2f
quenlo_guard_resume:
    movl $1, %eax
2:
    addq $48, %rsp
    popq %rbx
    ret
    .seh_endproc
)");

EXCEPTION_DISPOSITION TakeEscapedFault(EXCEPTION_RECORD* record, void* establisherFrame, CONTEXT*,
                                       DISPATCHER_CONTEXT* dispatch) {
  if ((record->ExceptionFlags & kUnwindFlags) != 0) return ExceptionContinueSearch;
  if (!IsFault(record->ExceptionCode)) return ExceptionContinueSearch;
  RecoveryPoint* const point =
      *reinterpret_cast<RecoveryPoint**>(static_cast<char*>(establisherFrame) + kPointSlot);
  point->code = record->ExceptionCode;
  CONTEXT scratch;  // RtlUnwindEx's working context
  RtlUnwindEx(establisherFrame, reinterpret_cast<void*>(&GuardResumeLabel), record, nullptr,
              &scratch, dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes the guard's frame
}

GuardedCall CallGuarded(EntryPoint entry) noexcept {
  RecoveryPoint point;
  std::int32_t result = 0;
  try {
    if (CallWithGuardFrame(entry, &point, &result) != 0) return {true, 0, point.code};
  } catch (...) {
    return {true, 0, 0};  // a C++ exception that left the entry point
  }
  return {false, result, 0};
}

#else
#error "the fault guard knows only i686 and x86-64"
#endif

}  // namespace quenlo::win32
