// A codec library that raises exceptions and handles them itself while it registers: a debug
// string (an informational exception on the way to the debugger) and a C++ exception thrown and
// caught inside. It registers successfully.
#include <windows.h>

#include <stdexcept>

namespace {

__attribute__((noinline)) void Throw() { throw std::runtime_error("handled inside"); }

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  OutputDebugStringA("registering\n");
  try {
    Throw();
  } catch (const std::runtime_error&) {
    return S_OK;
  }
  return E_FAIL;
}
