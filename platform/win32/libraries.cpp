// Libraries through kernel32: each call (load by full path, GetProcAddress, the entry point under
// the fault guard, FreeLibrary) runs on a helper thread that the caller waits for, up to the
// call's time limit.
//
// The helper thread lives in a single-threaded COM apartment of its own, as the system's
// registration tool runs self-registration: many media filters register through COM objects (the
// filter mapper) and fail with CO_E_NOTINITIALIZED on a thread without COM. The caller's thread
// (the install worker) never initialises COM.
//
// A call that passes its limit is abandoned: the caller returns TimedOut and forgets it and its
// thread. What that thread may still touch is only what it shares with the caller on the heap
// (the call, the thread's events), which the last of the two frees; the library is not freed by
// the caller, and the helper frees it only when it comes back in time. Since such a thread may hold
// locks the process needs to end normally, LibraryCallAbandoned() tells the program's exit
// (process.h) about it.
#include "platform/win32/backend.h"
#include "platform/win32/wide_text.h"

#include <windows.h>
// objbase.h needs windows.h first.
#include <objbase.h>

#include <atomic>
#include <memory>

#include "platform/win32/fault_guard.h"

namespace quenlo::win32 {
namespace {

std::atomic<bool> anyCallAbandoned{false};

// What the waiting thread and the helper share.
struct LibraryCall {
  std::string path;
  std::string name;
  platform::EntryPointOutcome outcome;  // written by the helper, read after it ended
  std::atomic<bool> abandoned{false};
};

// Loads a library by its full path. Its dependencies are searched for in its own folder and the
// system folder only; where the system does not know those search flags (before the update that
// brought them), in its own folder first and then the system's default order, from which the
// program's start (process.h) has taken the current folder out.
HMODULE LoadByFullPath(const std::string& path) {
  const std::wstring widePath = WidePath(path);
  HMODULE module = LoadLibraryExW(widePath.c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
    module = LoadLibraryExW(widePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return module;
}

void Run(LibraryCall& call) {
  using Kind = platform::EntryPointOutcome::Kind;
  HMODULE module = LoadByFullPath(call.path);
  if (module == nullptr) {
    call.outcome = {Kind::NotLoaded, 0, 0};
    return;
  }
  call.outcome = {Kind::NoEntryPoint, 0, 0};
  if (const FARPROC address = GetProcAddress(module, call.name.c_str())) {
    // FARPROC stands for any export; the self-registration entry points take no arguments and
    // return an HRESULT. The detour through void(*)() is the conversion GCC accepts silently.
    const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(address));
    const GuardedCall guarded = CallGuarded(entry);
    call.outcome = guarded.faulted ? platform::EntryPointOutcome::Faulting(guarded.exceptionCode)
                                   : platform::EntryPointOutcome::Returning(guarded.result);
  }
  if (!call.abandoned.load()) FreeLibrary(module);
}

// The thread that runs the calls, one after another, and what it shares with the caller; both
// hold it, and the last one frees it. Starting a thread costs more than a registration under some
// systems (every loaded library hears of each thread's start and end), so one thread serves every
// call until a call of its is abandoned: that thread is left to it, and the next call gets a new
// one.
struct HelperThread {
  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);      // a call is waiting, or none
  HANDLE finished = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // the call has its outcome
  std::shared_ptr<LibraryCall> call;  // set before `wake`; none: the thread is to end
  ~HelperThread() {
    if (wake != nullptr) CloseHandle(wake);
    if (finished != nullptr) CloseHandle(finished);
  }
};

// A single-threaded COM apartment for the calling thread while it lives (where COM cannot be
// initialised, the calls run without it, as before).
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

DWORD WINAPI ServeCalls(void* parameter) {
  const std::unique_ptr<std::shared_ptr<HelperThread>> handed(
      static_cast<std::shared_ptr<HelperThread>*>(parameter));
  const std::shared_ptr<HelperThread> self = *handed;
  const ComApartment apartment;  // left with the thread when a call of its is given up
  for (;;) {
    WaitForSingleObject(self->wake, INFINITE);
    const std::shared_ptr<LibraryCall> call = self->call;
    if (!call) return 0;
    Run(*call);
    SetEvent(self->finished);
    if (call->abandoned.load()) return 0;  // given up on: the caller has gone on without it
  }
}

std::shared_ptr<HelperThread> StartHelperThread() {
  auto helper = std::make_shared<HelperThread>();
  if (helper->wake == nullptr || helper->finished == nullptr) return nullptr;
  auto handed = std::make_unique<std::shared_ptr<HelperThread>>(helper);
  const HANDLE thread = CreateThread(nullptr, 0, &ServeCalls, handed.get(), 0, nullptr);
  if (thread == nullptr) return nullptr;
  handed.release();  // the thread's now
  CloseHandle(thread);
  return helper;
}

class Win32Libraries final : public platform::Libraries {
 public:
  ~Win32Libraries() override {
    if (!helper_) return;
    helper_->call.reset();
    SetEvent(helper_->wake);  // ends the thread; nothing waits for it
  }

  platform::EntryPointOutcome CallEntryPoint(const std::string& path, const std::string& name,
                                             std::uint32_t timeLimitMs) override {
    const auto call = std::make_shared<LibraryCall>();
    call->path = path;
    call->name = name;
    if (!helper_) helper_ = StartHelperThread();
    if (!helper_) {
      // No thread to spare: the call runs here, without a limit, rather than not at all.
      const ComApartment apartment;
      Run(*call);
      return call->outcome;
    }
    helper_->call = call;
    SetEvent(helper_->wake);
    if (WaitForSingleObject(helper_->finished, timeLimitMs) == WAIT_OBJECT_0) {
      return call->outcome;
    }
    call->abandoned = true;
    anyCallAbandoned = true;
    helper_.reset();  // the thread keeps what it shares; the next call gets a thread of its own
    return platform::EntryPointOutcome::TimingOut();
  }

 private:
  std::shared_ptr<HelperThread> helper_;
};

}  // namespace

std::unique_ptr<platform::Libraries> MakeLibraries() { return std::make_unique<Win32Libraries>(); }

bool LibraryCallAbandoned() { return anyCallAbandoned.load(); }

}  // namespace quenlo::win32
