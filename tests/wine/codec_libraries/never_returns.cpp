// A codec library whose registration never returns: it waits for something that never comes.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  for (;;) Sleep(INFINITE);
}
