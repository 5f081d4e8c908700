// A handler frame of a test library's own, as a library compiled with structured exception
// handling has them: CallInOwnFrame(body) runs body() with the frame's handler between it and the
// caller. The library says what the handler does through ownFrame: `handle` is asked about each
// exception raised in body() that no inner frame took (true: continue where it was raised, with
// the context as `handle` left it), `unwound` is told when an unwind passes the frame (a
// termination handler's work). Each library including this is one source file.
#pragma once

#include <windows.h>

struct OwnFrameHandlers {
  bool (*handle)(EXCEPTION_RECORD* record, CONTEXT* context) = nullptr;
  void (*unwound)() = nullptr;
};
inline OwnFrameHandlers ownFrame;

extern "C" void CallInOwnFrame(void (*body)()) __asm__("test_call_in_own_frame");

extern "C" __attribute__((used))
EXCEPTION_DISPOSITION __cdecl OwnFrameHandler(EXCEPTION_RECORD* record, void*, CONTEXT* context,
                                              void*) __asm__("test_own_frame_handler");

EXCEPTION_DISPOSITION __cdecl OwnFrameHandler(EXCEPTION_RECORD* record, void*, CONTEXT* context,
                                              void*) {
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0) {
    if (ownFrame.unwound != nullptr) ownFrame.unwound();
    return ExceptionContinueSearch;
  }
  if (ownFrame.handle != nullptr && ownFrame.handle(record, context)) {
    return ExceptionContinueExecution;
  }
  return ExceptionContinueSearch;
}

#if defined(__i386__)
// A registration record {next, handler} on the stack at -8(%ebp), linked at fs:[0] for the call.
__asm__(R"(
    .text
test_call_in_own_frame:
    pushl %ebp
    movl %esp, %ebp
    pushl $test_own_frame_handler
    pushl %fs:0
    movl %esp, %fs:0
    call *8(%ebp)
    movl -8(%ebp), %ecx
    movl %ecx, %fs:0
    movl %ebp, %esp
    popl %ebp
    ret
)");
#else
// Unwind data naming the handler for the search and for unwinds.
__asm__(R"(
    .text
    .def test_call_in_own_frame; .scl 2; .type 32; .endef
    .seh_proc test_call_in_own_frame
test_call_in_own_frame:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler test_own_frame_handler, @except, @unwind
    call *%rcx
    nop
    addq $40, %rsp
    ret
    .seh_endproc
)");
#endif
