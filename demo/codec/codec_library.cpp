// The demo codec library: an in-process COM server that registers one class.
//
// DllRegisterServer writes
//   HKCR\CLSID\{class ID}                  (default) = description
//   HKCR\CLSID\{class ID}\InprocServer32   (default) = this file's full path, ThreadingModel = Both
// and DllUnregisterServer removes both keys again. The class ID and the description come from the
// identity block (codec_stamp.h), which the payload generator stamps into each copy of this file,
// so every codec of the demo payload registers a class of its own. The class itself cannot be
// created: DllGetClassObject answers CLASS_E_CLASSNOTAVAILABLE.
#include <objbase.h>
#include <olectl.h>
#include <windows.h>

#include "demo/codec/codec_stamp.h"

using quenlo::demo::CodecStamp;

// Volatile, so that the compiler reads the stamped bytes at run time instead of folding the
// template's values into the code.
extern "C" volatile CodecStamp quenloCodecStamp;
volatile CodecStamp quenloCodecStamp = {
    QUENLO_STAMP_MARKER,
    QUENLO_PLACEHOLDER_CLSID,
    QUENLO_PLACEHOLDER_NAME,
};

namespace {

HMODULE thisModule = nullptr;

// A zero-terminated copy of one field of the identity block.
template <std::size_t Size>
void ReadField(const volatile char (&field)[Size], char (&out)[Size]) {
  for (std::size_t i = 0; i < Size; ++i) out[i] = field[i];
  out[Size - 1] = '\0';
}

struct Identity {
  char clsid[quenlo::demo::kStampClsidSize];
  char name[quenlo::demo::kStampNameSize];
  char classKey[8 + quenlo::demo::kStampClsidSize];    // "CLSID\{...}"
  char serverKey[24 + quenlo::demo::kStampClsidSize];  // "CLSID\{...}\InprocServer32"
};

Identity ReadIdentity() {
  Identity identity;
  ReadField(quenloCodecStamp.clsid, identity.clsid);
  ReadField(quenloCodecStamp.name, identity.name);
  lstrcpyA(identity.classKey, "CLSID\\");
  lstrcatA(identity.classKey, identity.clsid);
  lstrcpyA(identity.serverKey, identity.classKey);
  lstrcatA(identity.serverKey, "\\InprocServer32");
  return identity;
}

bool SetString(HKEY key, const char* valueName, const char* value) {
  return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(lstrlenA(value) + 1)) == ERROR_SUCCESS;
}

// The path is written as UTF-16, so that a folder with characters outside the system's code page
// is registered as it is.
bool SetPath(HKEY key, const wchar_t* path) {
  return RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                        static_cast<DWORD>((lstrlenW(path) + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

// Creates (or opens) `subKey` under HKCR and sets its default value (a text or a path) and, if
// given, one more.
bool WriteKey(const char* subKey, const char* defaultValue, const wchar_t* defaultPath = nullptr,
              const char* valueName = nullptr, const char* value = nullptr) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool written =
      defaultPath != nullptr ? SetPath(key, defaultPath) : SetString(key, nullptr, defaultValue);
  if (written && valueName != nullptr) written = SetString(key, valueName, value);
  RegCloseKey(key);
  return written;
}

// Deleting a key that is not there counts as done.
bool DeleteKey(const char* subKey) {
  const LONG status = RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    thisModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(thisModule, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  const Identity identity = ReadIdentity();
  if (!WriteKey(identity.classKey, identity.name) ||
      !WriteKey(identity.serverKey, nullptr, path, "ThreadingModel", "Both")) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  const Identity identity = ReadIdentity();
  if (!DeleteKey(identity.serverKey) || !DeleteKey(identity.classKey)) return SELFREG_E_CLASS;
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID /*clsid*/, REFIID /*iid*/, LPVOID* object) {
  if (object != nullptr) *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return S_OK; }
