// A winmm.dll as an attacker plants it beside a program: it offers the timer functions a program
// might import, and on loading leaves "winmm.dll.loaded" beside itself, so a test can tell
// whether the program took it.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  const std::wstring marker = std::wstring(path, length) + L".loaded";
  const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}

extern "C" __declspec(dllexport) UINT WINAPI timeBeginPeriod(UINT) { return 0; }
extern "C" __declspec(dllexport) UINT WINAPI timeEndPeriod(UINT) { return 0; }
