// The fault guard with entry points of this program: what it takes, what it leaves to the
// handlers inside the call and to other threads, and that the thread works normally after a
// contained fault.
#include "platform/win32/fault_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace quenlo::win32 {
namespace {

constexpr DWORD kAccessViolation = 0xC0000005;
constexpr DWORD kTestError = 0xE0001234;  // error severity: a fault
constexpr DWORD kTestNote = 0x40001234;   // informational severity: never a fault

int* volatile nowhere = nullptr;
int continued = 0;

// Continues the exceptions of the test code `Code`, counting them: RaiseException then returns.
template <DWORD Code>
LONG CALLBACK ContinueCode(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode != Code) return EXCEPTION_CONTINUE_SEARCH;
  ++continued;
  return EXCEPTION_CONTINUE_EXECUTION;
}

std::int32_t __stdcall Returns42() { return 42; }
std::int32_t __stdcall WritesThroughNull() {
  *nowhere = 1;
  return 0;
}
std::int32_t __stdcall RaisesTestError() {
  RaiseException(kTestError, 0, 0, nullptr);
  return 0;
}
// A library may install a vectored handler of its own, last in line, that takes its exception:
// every vectored handler is asked before any frame, the guard's included.
std::int32_t __stdcall RaisesTestErrorItsOwnHandlerContinues() {
  void* const handler = AddVectoredExceptionHandler(0, &ContinueCode<kTestError>);
  RaiseException(kTestError, 0, 0, nullptr);
  RemoveVectoredExceptionHandler(handler);
  return 3;
}
std::int32_t __stdcall RaisesNoteAndDebugString() {
  void* const handler = AddVectoredExceptionHandler(0, &ContinueCode<kTestNote>);
  RaiseException(kTestNote, 0, 0, nullptr);
  RemoveVectoredExceptionHandler(handler);
  OutputDebugStringA("a note from inside a guarded call\n");
  return 7;
}
std::int32_t __stdcall FaultsInsideThenReturns() {
  const GuardedCall inner = CallGuarded(&WritesThroughNull);
  return inner.faulted && inner.exceptionCode == kAccessViolation ? 5 : -5;
}
std::int32_t __stdcall OtherThreadFaults() {
  GuardedCall onOther;
  std::thread other([&onOther] { onOther = CallGuarded(&RaisesTestError); });
  other.join();
  return onOther.faulted && onOther.exceptionCode == kTestError ? 9 : -9;
}
#if defined(__x86_64__)
std::int32_t __stdcall ThrowsCpp() { throw std::runtime_error("out of the entry point"); }
#endif

__attribute__((noinline)) void ThrowRuntimeError() { throw std::runtime_error("still works"); }

TEST(FaultGuardTest, FaultsAreContainedAgainAndAgainAndCppExceptionsStillWork) {
  for (int i = 0; i < 200; ++i) {
    const GuardedCall violation = CallGuarded(&WritesThroughNull);
    ASSERT_TRUE(violation.faulted);
    ASSERT_EQ(violation.exceptionCode, kAccessViolation);
    const GuardedCall raised = CallGuarded(&RaisesTestError);
    ASSERT_TRUE(raised.faulted);
    ASSERT_EQ(raised.exceptionCode, kTestError);
  }
  EXPECT_THROW(ThrowRuntimeError(), std::runtime_error);
  const GuardedCall call = CallGuarded(&Returns42);
  EXPECT_FALSE(call.faulted);
  EXPECT_EQ(call.result, 42);
}

TEST(FaultGuardTest, ExceptionsHandledInsideTheCallOrOnOtherThreadsAreNotTaken) {
  continued = 0;
  const struct {
    EntryPoint entry;
    std::int32_t result;
  } cases[] = {
      {&FaultsInsideThenReturns, 5},                // an inner guard's frame takes the fault
      {&RaisesTestErrorItsOwnHandlerContinues, 3},  // a vectored handler continues it
      {&RaisesNoteAndDebugString, 7},               // not faults
      {&OtherThreadFaults, 9},                      // another thread's guard takes it
  };
  for (const auto& c : cases) {
    const GuardedCall call = CallGuarded(c.entry);
    EXPECT_FALSE(call.faulted) << c.result;
    EXPECT_EQ(call.result, c.result);
  }
  EXPECT_EQ(continued, 2);
}

#if defined(__x86_64__)
// On i686 a C++ exception cannot cross the guard's assembly frame (it has no unwind table); there
// the entry points are foreign libraries' anyway, whose exceptions never reach this program.
TEST(FaultGuardTest, CppExceptionLeavingTheEntryPointEndsTheCallAsFaulted) {
  const GuardedCall call = CallGuarded(&ThrowsCpp);
  EXPECT_TRUE(call.faulted);
  EXPECT_EQ(call.exceptionCode, 0u);
  EXPECT_THROW(ThrowRuntimeError(), std::runtime_error);
}
#endif

}  // namespace
}  // namespace quenlo::win32
