// A codec library that raises and takes its own exception of code 0xE06D7363 (the code of the
// common Windows compiler's C++ exceptions, with that compiler's parameters) in a handler frame of
// its own. It registers when its handler saw the exception exactly once.
#include "own_frame.h"

namespace {

constexpr DWORD kCompilerCppException = 0xE06D7363;
int seen = 0;

void Raise() {
  const ULONG_PTR parameters[3] = {0x19930520, 0, 0};  // magic, object, type information
  RaiseException(kCompilerCppException, 0, 3, parameters);
}

bool TakeOwnException(EXCEPTION_RECORD* record, CONTEXT*) {
  if (record->ExceptionCode != kCompilerCppException) return false;
  ++seen;
  return true;
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  seen = 0;
  ownFrame.handle = &TakeOwnException;
  CallInOwnFrame(&Raise);
  return seen == 1 ? S_OK : E_FAIL;
}
