// A codec library whose registration probes memory with IsBadReadPtr, which raises an access
// fault on reserved memory and handles it inside the system. It registers when the probe gives
// the right answers.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  void* reserved = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
  if (reserved == nullptr) return E_FAIL;
  const int readable = 5;
  const bool right =
      IsBadReadPtr(reserved, sizeof(int)) && !IsBadReadPtr(&readable, sizeof readable);
  VirtualFree(reserved, 0, MEM_RELEASE);
  return right ? S_OK : E_FAIL;
}
