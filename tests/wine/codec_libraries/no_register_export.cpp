// A library without "DllRegisterServer": it exports only the other self-registration entry
// point.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() { return S_OK; }
