#include "platform/win32/process.h"

#include <objbase.h>
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

std::wstring OwnProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring OwnCommandLine() {
  const wchar_t* line = GetCommandLineW();
  return line != nullptr ? std::wstring(line) : std::wstring();
}

ThreadCom::ThreadCom() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}

ThreadCom::~ThreadCom() {
  if (initialized_) CoUninitialize();
}

}  // namespace quenlo::win32
