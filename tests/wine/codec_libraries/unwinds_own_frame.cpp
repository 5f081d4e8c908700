// A codec library whose registration writes through a null pointer inside a frame of its own
// that does not handle the fault but has work to do when it is unwound (a termination handler):
// it sets the variable QUENLO_TEST_UNWOUND in the process's environment.
#include "own_frame.h"

namespace {

int* volatile target = nullptr;

void WriteThroughNull() { *target = 1; }

void NoteUnwound() { SetEnvironmentVariableA("QUENLO_TEST_UNWOUND", "1"); }

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  ownFrame.unwound = &NoteUnwound;
  CallInOwnFrame(&WriteThroughNull);
  return S_OK;
}
