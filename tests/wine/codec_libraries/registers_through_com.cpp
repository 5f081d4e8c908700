// A codec library that registers as media filters do, through a COM object of the system's: on a
// thread without COM its DllRegisterServer fails with the error that object's creation gets
// (CO_E_NOTINITIALIZED); on a thread in a single-threaded apartment it registers a class of its
// own, which DllUnregisterServer (again through COM) removes. In a multithreaded apartment it
// fails with E_UNEXPECTED: the system's registration tool gives a single-threaded one.
#include <windows.h>
// After windows.h.
#include <objbase.h>
#include <shlobj.h>

#include "class_server.h"

namespace {

constexpr const char* kClassKey = "CLSID\\{0B9E4C12-7A35-4F61-8D2E-3C5A9F1B6E47}";

HMODULE self = nullptr;

// Creates and releases a system object, as a filter's registration creates the filter mapper;
// then tells whether the thread's apartment is single-threaded (a second initialisation as
// multithreaded is refused there).
HRESULT UseCom() {
  IShellLinkW* link = nullptr;
  const HRESULT created = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link));
  if (FAILED(created)) return created;
  link->Release();
  const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (again == RPC_E_CHANGED_MODE) return S_OK;
  if (SUCCEEDED(again)) CoUninitialize();
  return E_UNEXPECTED;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  if (const HRESULT com = UseCom(); FAILED(com)) return com;
  return RegisterClassServer(self, kClassKey);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  if (const HRESULT com = UseCom(); FAILED(com)) return com;
  return UnregisterClassServer(kClassKey);
}
