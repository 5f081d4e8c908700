// A codec library whose registration reads through a null pointer inside a handler frame of its
// own, which handles the access fault by pointing the read at valid memory and retrying it. It
// registers when the retried read gave the valid value.
#include <cstdint>

#include "own_frame.h"

namespace {

const std::uintptr_t kValid = 0x5EED;
std::uintptr_t readValue = 0;

// Reads through the pointer held in eax/rax, which the handler may replace before the retry.
void ReadThroughNull() {
  std::uintptr_t value = 0;
  __asm__ volatile("mov (%0), %0" : "+a"(value) : : "memory");
  readValue = value;
}

bool RetryOnValidMemory(EXCEPTION_RECORD* record, CONTEXT* context) {
  if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION) return false;
#if defined(__i386__)
  context->Eax = reinterpret_cast<DWORD>(&kValid);
#else
  context->Rax = reinterpret_cast<DWORD64>(&kValid);
#endif
  return true;
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  ownFrame.handle = &RetryOnValidMemory;
  CallInOwnFrame(&ReadThroughNull);
  return readValue == kValid ? S_OK : E_FAIL;
}
