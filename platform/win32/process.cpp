#include "platform/win32/process.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32/backend.h"

namespace quenlo::win32 {

void PrepareProcess() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // Looked up at run time: systems before the update that brought it lack the export, and a
  // program importing it would not start there.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC address =
      kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  const auto setDefaultDirectories =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(address));
  if (setDefaultDirectories == nullptr || !setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    // Takes the current folder out of the default order; the program's folder stays first in it,
    // but the codec libraries are loaded with their own folder searched instead (libraries.cpp).
    SetDllDirectoryW(L"");
  }
}

void EndProcess(int exitCode) {
  if (LibraryCallAbandoned()) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
  }
  std::exit(exitCode);
}

}  // namespace quenlo::win32
