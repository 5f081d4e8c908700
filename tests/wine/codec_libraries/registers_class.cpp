// A codec library that registers a COM class: DllRegisterServer names this library as the
// class's in-process server, DllUnregisterServer removes the class again.
#include <windows.h>

#define QUENLO_TEST_CLASS "CLSID\\{5F0C3A71-2B64-4E8D-9A31-7C0E6B2D4F15}"

namespace {

constexpr const char* kClassKey = QUENLO_TEST_CLASS;
constexpr const char* kServerKey = QUENLO_TEST_CLASS "\\InprocServer32";

HMODULE self = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
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
  return RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey) == ERROR_SUCCESS ? S_OK : S_FALSE;
}
