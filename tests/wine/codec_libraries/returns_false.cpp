// A codec library whose registration succeeds with S_FALSE, a success code all the same.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() { return S_FALSE; }
