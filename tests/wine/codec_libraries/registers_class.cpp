// A codec library that registers a COM class: DllRegisterServer names this library as the
// class's in-process server, DllUnregisterServer removes the class again.
#include <windows.h>

#include "class_server.h"

namespace {

constexpr const char* kClassKey = "CLSID\\{5F0C3A71-2B64-4E8D-9A31-7C0E6B2D4F15}";

HMODULE self = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  return RegisterClassServer(self, kClassKey);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  return UnregisterClassServer(kClassKey);
}
