// A codec library whose registration fails with E_FAIL.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() { return E_FAIL; }
