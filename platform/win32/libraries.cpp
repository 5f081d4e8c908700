// Libraries through kernel32: LoadLibraryA by full path, GetProcAddress, FreeLibrary, and the
// entry point called under the fault guard.
#include "platform/win32/backend.h"

#include <windows.h>

#include "platform/win32/fault_guard.h"

namespace quenlo::win32 {
namespace {

class Win32Libraries final : public platform::Libraries {
 public:
  platform::EntryPointOutcome CallEntryPoint(const std::string& path,
                                             const std::string& name) override {
    using Kind = platform::EntryPointOutcome::Kind;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) return {Kind::NotLoaded, 0, 0};
    platform::EntryPointOutcome outcome{Kind::NoEntryPoint, 0, 0};
    if (const FARPROC address = GetProcAddress(module, name.c_str())) {
      // FARPROC stands for any export; the self-registration entry points take no arguments and
      // return an HRESULT. The detour through void(*)() is the conversion GCC accepts silently.
      const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(address));
      const GuardedCall call = CallGuarded(entry);
      outcome = call.faulted ? platform::EntryPointOutcome::Faulting(call.exceptionCode)
                             : platform::EntryPointOutcome::Returning(call.result);
    }
    FreeLibrary(module);
    return outcome;
  }
};

}  // namespace

std::unique_ptr<platform::Libraries> MakeLibraries() { return std::make_unique<Win32Libraries>(); }

}  // namespace quenlo::win32
