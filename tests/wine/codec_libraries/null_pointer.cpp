// A codec library whose registration writes through a null pointer: an access violation.
#include <windows.h>

namespace {

// Read at run time, so the compiler cannot see the null and turn the write into a trap.
int* volatile target = nullptr;

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  *target = 1;
  return S_OK;
}
