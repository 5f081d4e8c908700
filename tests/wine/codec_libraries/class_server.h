// The registration of a COM class whose in-process server is the test library itself: what the
// libraries that register a class write into HKEY_CLASSES_ROOT and remove again. Each library
// including this is one source file.
#pragma once

#include <windows.h>

#include <string>

// Names the library holding this code (`self`) as the server of `classKey` ("CLSID\{...}").
inline HRESULT RegisterClassServer(HMODULE self, const char* classKey) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  const std::string serverKey = std::string(classKey) + "\\InprocServer32";
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, serverKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return E_FAIL;
  }
  const LONG status =
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : E_FAIL;
}

// Removes the class again; S_FALSE when it was not there.
inline HRESULT UnregisterClassServer(const char* classKey) {
  return RegDeleteTreeA(HKEY_CLASSES_ROOT, classKey) == ERROR_SUCCESS ? S_OK : S_FALSE;
}
