// A codec library that imports a function from a dependency library, quenlodep.dll, found by
// name when the codec loads. It registers when the dependency answers S_OK, as the one in the
// system folder does (dependency.cpp); the one planted beside the test program does not.
#include <windows.h>

extern "C" __declspec(dllimport) HRESULT QuenloDependencyAnswer();

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  return QuenloDependencyAnswer();
}
