// Libraries through kernel32: each call (load by full path, GetProcAddress, the entry point under
// the fault guard, FreeLibrary) runs on a thread of its own that the caller waits for, up to the
// call's time limit.
//
// A call that passes its limit is abandoned: the caller returns TimedOut and forgets it. What
// the helper thread may still touch is only its own LibraryCall on the heap, which the two
// threads share and the last one frees; the library is not freed by the caller, and the helper
// frees it only when it comes back in time. Since such a thread may hold locks the process needs
// to end normally, LibraryCallAbandoned() tells the program's exit (process.h) about it.
#include "platform/win32/backend.h"

#include <windows.h>

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
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
    module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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

DWORD WINAPI RunOnHelperThread(void* parameter) {
  const std::unique_ptr<std::shared_ptr<LibraryCall>> handed(
      static_cast<std::shared_ptr<LibraryCall>*>(parameter));
  const std::shared_ptr<LibraryCall> call = *handed;
  Run(*call);
  return 0;
}

class Win32Libraries final : public platform::Libraries {
 public:
  platform::EntryPointOutcome CallEntryPoint(const std::string& path, const std::string& name,
                                             std::uint32_t timeLimitMs) override {
    const auto call = std::make_shared<LibraryCall>();
    call->path = path;
    call->name = name;
    auto handed = std::make_unique<std::shared_ptr<LibraryCall>>(call);
    const HANDLE thread = CreateThread(nullptr, 0, &RunOnHelperThread, handed.get(), 0, nullptr);
    if (thread == nullptr) {
      // No thread to spare: the call runs here, without a limit, rather than not at all.
      Run(*call);
      return call->outcome;
    }
    handed.release();  // the helper's now
    const DWORD waited = WaitForSingleObject(thread, timeLimitMs);
    CloseHandle(thread);
    if (waited == WAIT_OBJECT_0) return call->outcome;
    call->abandoned = true;
    anyCallAbandoned = true;
    return platform::EntryPointOutcome::TimingOut();
  }
};

}  // namespace

std::unique_ptr<platform::Libraries> MakeLibraries() { return std::make_unique<Win32Libraries>(); }

bool LibraryCallAbandoned() { return anyCallAbandoned.load(); }

}  // namespace quenlo::win32
