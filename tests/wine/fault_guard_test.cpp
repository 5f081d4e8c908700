// The fault guard with entry points of this program: what it takes, what it leaves alone, and
// that the thread works normally after a rewind.
#include "platform/win32/fault_guard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace quenlo::win32 {
namespace {

constexpr DWORD kAccessViolation = 0xC0000005;
constexpr DWORD kTestError = 0xE0001234;  // error severity: a fault
constexpr DWORD kTestNote = 0x40001234;   // informational severity: never a fault

int* volatile nowhere = nullptr;
std::atomic<int> testHandlerSeen{0};

// Last in line: continues every exception of the two test codes, counting them. RaiseException
// then simply returns.
LONG CALLBACK ContinueTestExceptions(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code != kTestError && code != kTestNote) return EXCEPTION_CONTINUE_SEARCH;
  ++testHandlerSeen;
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
std::int32_t __stdcall RaisesNoteAndDebugString() {
  RaiseException(kTestNote, 0, 0, nullptr);
  OutputDebugStringA("a note from inside a guarded call\n");
  return 7;
}
std::int32_t __stdcall FaultsInsideThenReturns() {
  const GuardedCall inner = CallGuarded(&WritesThroughNull);
  return inner.faulted && inner.exceptionCode == kAccessViolation ? 5 : -5;
}
std::int32_t __stdcall OtherThreadRaises() {
  std::thread other([] { RaiseException(kTestError, 0, 0, nullptr); });
  other.join();
  return 9;
}
#if defined(__x86_64__)
std::int32_t __stdcall ThrowsCpp() { throw std::runtime_error("out of the entry point"); }
#endif

__attribute__((noinline)) void ThrowRuntimeError() { throw std::runtime_error("still works"); }

class FaultGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CallGuarded(&Returns42);  // the guard's own handler is installed from here on
    testHandler = AddVectoredExceptionHandler(0, &ContinueTestExceptions);
    testHandlerSeen = 0;
  }
  void TearDown() override { RemoveVectoredExceptionHandler(testHandler); }
  void* testHandler = nullptr;
};

TEST_F(FaultGuardTest, FaultsAreContainedAgainAndAgainAndCppExceptionsStillWork) {
  for (int i = 0; i < 200; ++i) {
    const GuardedCall violation = CallGuarded(&WritesThroughNull);
    ASSERT_TRUE(violation.faulted);
    ASSERT_EQ(violation.exceptionCode, kAccessViolation);  // taken by the guard, not a catch
    const GuardedCall raised = CallGuarded(&RaisesTestError);
    ASSERT_TRUE(raised.faulted);
    ASSERT_EQ(raised.exceptionCode, kTestError);
  }
  EXPECT_EQ(testHandlerSeen, 0);
  EXPECT_THROW(ThrowRuntimeError(), std::runtime_error);
  const GuardedCall call = CallGuarded(&Returns42);
  EXPECT_FALSE(call.faulted);
  EXPECT_EQ(call.result, 42);
  const GuardedCall outer = CallGuarded(&FaultsInsideThenReturns);  // nested guards
  EXPECT_FALSE(outer.faulted);
  EXPECT_EQ(outer.result, 5);
}

TEST_F(FaultGuardTest, OtherExceptionsGoOnToOtherHandlers) {
  const GuardedCall notes = CallGuarded(&RaisesNoteAndDebugString);  // not faults
  EXPECT_FALSE(notes.faulted);
  EXPECT_EQ(notes.result, 7);
  const GuardedCall other = CallGuarded(&OtherThreadRaises);  // a fault on another thread
  EXPECT_FALSE(other.faulted);
  EXPECT_EQ(other.result, 9);
  RaiseException(kTestError, 0, 0, nullptr);  // this thread, but no guarded call running
  EXPECT_EQ(testHandlerSeen, 3);
}

#if defined(__x86_64__)
// On i686 a C++ exception cannot cross the guard's assembly frame (it has no unwind table); there
// the entry points are foreign libraries' anyway, whose exceptions never reach this program.
TEST_F(FaultGuardTest, CppExceptionLeavingTheEntryPointEndsTheCallAsFaulted) {
  const GuardedCall call = CallGuarded(&ThrowsCpp);
  EXPECT_TRUE(call.faulted);
  EXPECT_EQ(call.exceptionCode, 0u);
  EXPECT_THROW(ThrowRuntimeError(), std::runtime_error);
}
#endif

}  // namespace
}  // namespace quenlo::win32
