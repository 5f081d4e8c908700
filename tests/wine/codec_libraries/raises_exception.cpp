// A codec library whose registration raises a Windows exception that nobody handles.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  RaiseException(0xE0C0DEC5, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  return S_OK;
}
