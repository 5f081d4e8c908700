// A codec library that registers as media filters do, through a COM object of the system's: on a
// thread without COM its DllRegisterServer fails with the error that object's creation gets
// (CO_E_NOTINITIALIZED); on a thread in a single-threaded apartment it registers a class of its
// own, which DllUnregisterServer (again through COM) removes. In a multithreaded apartment it
// fails with E_UNEXPECTED: the system's registration tool gives a single-threaded one.
#include <windows.h>
// After windows.h.
#include <objbase.h>
#include <shlobj.h>

#define QUENLO_TEST_COM_CLASS "CLSID\\{0B9E4C12-7A35-4F61-8D2E-3C5A9F1B6E47}"

namespace {

constexpr const char* kClassKey = QUENLO_TEST_COM_CLASS;
constexpr const char* kServerKey = QUENLO_TEST_COM_CLASS "\\InprocServer32";

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
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return E_FAIL;
  }
  const LONG status =
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  if (const HRESULT com = UseCom(); FAILED(com)) return com;
  return RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey) == ERROR_SUCCESS ? S_OK : S_FALSE;
}
