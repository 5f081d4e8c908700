// A library of the dependency's name, quenlodep.dll, planted beside the test program as someone
// might put one beside a downloaded setup file. Loaded, it sets QUENLO_TEST_PLANTED_LOADED in the
// process's environment, and it answers E_FAIL.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableA("QUENLO_TEST_PLANTED_LOADED", "1");
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT QuenloDependencyAnswer() { return E_FAIL; }
